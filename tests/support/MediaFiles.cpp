#include "MediaFiles.h"

#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>

QString makeMedia(const QString &path)
{
    const QString video = QStringLiteral("videotestsrc num-buffers=90 pattern=smpte ! "
                                         "video/x-raw,format=I420,width=320,height=240,framerate=30/1 ! ");
    const QString tone = QStringLiteral(" audiotestsrc num-buffers=130 ! audioconvert ! ");
    const auto s = [](const char *text) { return QLatin1String(text); };
    static const QMap<QString, QString> pipelines = {
        {s("mp4"), video + s("x264enc ! mp4mux name=m ! filesink location=%1") + tone + s("avenc_aac ! m.")},
        {s("avi"), video + s("avenc_mpeg4 ! avimux name=m ! filesink location=%1") + tone + s("lamemp3enc ! m.")},
        {s("mkv"), video + s("x264enc ! matroskamux name=m ! filesink location=%1") + tone + s("vorbisenc ! m.")},
        {s("webm"), video + s("vp8enc ! webmmux name=m ! filesink location=%1") + tone + s("vorbisenc ! m.")},
        {s("mp3"), tone + s("lamemp3enc ! filesink location=%1")},
        {s("wav"), tone + s("wavenc ! filesink location=%1")},
        {s("ogg"), tone + s("vorbisenc ! oggmux ! filesink location=%1")}};
    const QString pipeline = pipelines.value(QFileInfo(path).suffix().toLower());
    if (pipeline.isEmpty())
        return QStringLiteral("no pipeline for ") + path;
    const QString launch = QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0"));
    if (launch.isEmpty())
        return QStringLiteral("gst-launch-1.0 is missing (package gstreamer1.0-tools)");
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(launch, QStringList{QStringLiteral("-q")} + pipeline.arg(path).split(QLatin1Char(' '), Qt::SkipEmptyParts));
    if (!p.waitForFinished(60000) || p.exitCode() != 0 || QFileInfo(path).size() == 0)
        return QString::fromLocal8Bit(p.readAll());
    return {};
}
