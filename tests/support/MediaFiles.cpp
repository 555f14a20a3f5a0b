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
    static const QMap<QString, QString> pipelines = {
        {"mp4", video + "x264enc ! mp4mux name=m ! filesink location=%1" + tone + "avenc_aac ! m."},
        {"avi", video + "avenc_mpeg4 ! avimux name=m ! filesink location=%1" + tone + "lamemp3enc ! m."},
        {"mkv", video + "x264enc ! matroskamux name=m ! filesink location=%1" + tone + "vorbisenc ! m."},
        {"webm", video + "vp8enc ! webmmux name=m ! filesink location=%1" + tone + "vorbisenc ! m."},
        {"mp3", tone + "lamemp3enc ! filesink location=%1"},
        {"wav", tone + "wavenc ! filesink location=%1"},
        {"ogg", tone + "vorbisenc ! oggmux ! filesink location=%1"}};
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
