#include "MediaFiles.h"
#include "ScriptedDialogs.h"
#include "import/frmPlay.h"
#include "ui/MediaProbe.h"

#include <QMediaPlayer>
#include <QtTest>
#include <QtWidgets>

// Playback of the common formats with the packages the setup script installs, and what the
// viewer says when GStreamer lacks a decoder.
class TestMedia : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString file(const QString &name) const { return dir_.filePath(name); }
private slots:
    void initTestCase();
    void plays_data();
    void plays();
    void videoFrames();
    void missingDecoderNamed();
    void missingDecoderChild();
    void errorToldWhileWindowRuns();
};

void TestMedia::initTestCase()
{
    if (qEnvironmentVariableIsSet("MC_MEDIA_CHILD"))
        return;
    for (const char *name : {"clip.mp4", "clip.avi", "clip.mkv", "clip.webm", "tone.mp3", "tone.wav", "tone.ogg"}) {
        const QString error = makeMedia(file(QLatin1String(name)));
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }
}

void TestMedia::plays_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("video");
    for (const char *name : {"clip.mp4", "clip.avi", "clip.mkv", "clip.webm"})
        QTest::newRow(name) << name << true;
    for (const char *name : {"tone.mp3", "tone.wav", "tone.ogg"})
        QTest::newRow(name) << name << false;
}

// Each plays on from its first frame, shows its length, and nothing is reported missing (also
// on a machine without a sound server, as the test machine is).
void TestMedia::plays()
{
    if (qEnvironmentVariableIsSet("MC_MEDIA_CHILD"))
        QSKIP("child run");
    QFETCH(QString, name);
    QFETCH(bool, video);
    ScriptedDialogs d;
    frmPlay v;
    v.strFile = file(name);
    v.resize(400, 300);
    v.show();
    QTRY_VERIFY_WITH_TIMEOUT(v.player->position() > 1000, 15000);
    QCOMPARE(v.player->hasVideo(), video);
    QTRY_VERIFY(v.player->duration() > 2000); // an MP3 may tell its length late
    QVERIFY2(v.time->text().endsWith("/ 00:0" + QString::number(v.player->duration() / 1000)), qPrintable(v.time->text()));
    if (v.restarts())
        qInfo("started again %d times after standing still", v.restarts());
    QTest::qWait(300); // the check for missing decoders has had its time
    QVERIFY2(d.asked.isEmpty(), qPrintable(d.messages().join('\n')));
    v.close();
    QCOMPARE(v.player->playbackState(), QMediaPlayer::StoppedState);
}

// A frame from the first seconds, fitted to the bound; what is no video gives none.
void TestMedia::videoFrames()
{
    if (qEnvironmentVariableIsSet("MC_MEDIA_CHILD"))
        QSKIP("child run");
    for (const char *name : {"clip.mp4", "clip.avi", "clip.webm"}) {
        const QImage frame = MediaProbe::frame(file(QLatin1String(name)), QSize(128, 128));
        QCOMPARE(frame.size(), QSize(128, 96));
        // The SMPTE bars: white-ish on the left, blue on the right of the top part.
        QVERIFY2(qGray(frame.pixel(4, 20)) > 150 && qBlue(frame.pixel(120, 20)) > 150, name);
    }
    QVERIFY(MediaProbe::frame(file("tone.wav"), QSize(128, 128)).isNull());
    QFile text(file("notes.mp4"));
    QVERIFY(text.open(QIODevice::WriteOnly) && text.write("not a video") > 0);
    text.close();
    QVERIFY(MediaProbe::frame(text.fileName(), QSize(128, 128)).isNull());
    QVERIFY(MediaProbe::isVideo("a.MKV") && MediaProbe::isVideo("b.webm") && !MediaProbe::isVideo("c.mp3") &&
            !MediaProbe::isVideo("mp4"));
}

// GStreamer without its H.264 decoders (those of gstreamer1.0-libav and -bad): the viewer names
// the package.
void TestMedia::missingDecoderNamed()
{
    if (qEnvironmentVariableIsSet("MC_MEDIA_CHILD"))
        QSKIP("child run");
    QTemporaryDir plugins;
    for (const QFileInfo &plugin : QDir(QStringLiteral(GST_PLUGINS_DIR)).entryInfoList({"*.so"}, QDir::Files))
        if (plugin.fileName() != "libgstlibav.so" && plugin.fileName() != "libgstopenh264.so")
            QVERIFY(QFile::link(plugin.absoluteFilePath(), plugins.filePath(plugin.fileName())));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("GST_PLUGIN_SYSTEM_PATH", plugins.path());
    env.insert("GST_PLUGIN_PATH", plugins.path());
    env.insert("GST_REGISTRY", plugins.filePath("registry.bin"));
    env.insert("MC_MEDIA_CHILD", file("clip.mp4"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {"missingDecoderChild"});
    QVERIFY(child.waitForFinished(60000));
    QVERIFY2(child.exitCode() == 0, child.readAll().constData());
}

void TestMedia::missingDecoderChild()
{
    const QString mp4 = qEnvironmentVariable("MC_MEDIA_CHILD");
    if (mp4.isEmpty())
        QSKIP("run by missingDecoderNamed");
    QCOMPARE(MediaProbe::missing(mp4), QStringList("H.264 视频解码器 (软件包 gstreamer1.0-libav)"));
    ScriptedDialogs d;
    d.answerMessage(1);
    frmPlay v;
    v.strFile = mp4;
    v.show();
    QTRY_VERIFY_WITH_TIMEOUT(!d.asked.isEmpty(), 15000);
    QVERIFY2(d.messages().constFirst().contains("H.264 视频解码器 (软件包 gstreamer1.0-libav)"),
             qPrintable(d.messages().join('\n')));
}

// A file the player cannot read is told with its name, and asking GStreamer what is missing
// meanwhile leaves the interface running.
void TestMedia::errorToldWhileWindowRuns()
{
    if (qEnvironmentVariableIsSet("MC_MEDIA_CHILD"))
        QSKIP("child run");
    QFile bad(file("bad.mp4"));
    QVERIFY(bad.open(QIODevice::WriteOnly) && bad.write(QByteArray(4096, 'x')) == 4096);
    bad.close();
    ScriptedDialogs d;
    d.answerMessage(1);
    frmPlay v;
    v.strFile = bad.fileName();
    QElapsedTimer sinceTick;
    qint64 longest = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, [&] { longest = qMax(longest, sinceTick.restart()); });
    sinceTick.start();
    tick.start(20);
    v.show();
    QTRY_VERIFY_WITH_TIMEOUT(!d.asked.isEmpty(), 15000);
    QVERIFY2(d.messages().constFirst().contains("无法播放 " + QDir::toNativeSeparators(bad.fileName())),
             qPrintable(d.messages().join('\n')));
    QVERIFY2(longest < 1000, qPrintable(QString::number(longest)));
}

QTEST_MAIN(TestMedia)
#include "test_media.moc"
