#include "ui/MediaProbe.h"

#include "store/StoredName.h"

#include <QSet>
#include <QUrl>
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>
#include <gst/video/video.h>
#include <memory>

namespace {
constexpr GstClockTime kWait = 5 * GST_SECOND;

struct Unref {
    void operator()(gpointer object) const { gst_object_unref(object); }
};
using Element = std::unique_ptr<GstElement, Unref>;

void initialise()
{
    static const bool done = [] {
        gst_init(nullptr, nullptr);
        gst_pb_utils_init();
        return true;
    }();
    Q_UNUSED(done);
}

// playbin decoding the file's video only, into an appsink that hands over BGRx pictures.
Element pipeline(const QString &path, GstElement **sink)
{
    Element play(gst_element_factory_make("playbin", nullptr));
    *sink = gst_element_factory_make("appsink", nullptr);
    if (!play || !*sink) {
        if (*sink)
            gst_object_unref(*sink);
        *sink = nullptr;
        return {};
    }
    GstCaps *caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", "pixel-aspect-ratio",
                                        GST_TYPE_FRACTION, 1, 1, nullptr);
    g_object_set(*sink, "caps", caps, "sync", FALSE, nullptr);
    gst_caps_unref(caps);
    const QByteArray uri = QUrl::fromLocalFile(path).toEncoded();
    // Flag 1: video only. No sound device is opened for a thumbnail.
    g_object_set(play.get(), "uri", uri.constData(), "video-sink", *sink, "audio-sink",
                 gst_element_factory_make("fakesink", nullptr), "flags", 1, nullptr);
    return play;
}

// Paused and prerolled within the wait, or false (an error, or no video at all).
bool preroll(GstElement *play)
{
    if (gst_element_set_state(play, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE)
        return false;
    return gst_element_get_state(play, nullptr, nullptr, kWait) == GST_STATE_CHANGE_SUCCESS;
}

QImage toImage(GstSample *sample, QSize bound)
{
    GstCaps *caps = gst_sample_get_caps(sample);
    GstBuffer *buffer = gst_sample_get_buffer(sample);
    GstVideoInfo info;
    GstMapInfo map;
    if (!caps || !buffer || !gst_video_info_from_caps(&info, caps) || !gst_buffer_map(buffer, &map, GST_MAP_READ))
        return {};
    QImage picture;
    const qsizetype needed = qsizetype(GST_VIDEO_INFO_PLANE_STRIDE(&info, 0)) * GST_VIDEO_INFO_HEIGHT(&info);
    if (GST_VIDEO_INFO_WIDTH(&info) > 0 && qsizetype(map.size) >= needed)
        picture = QImage(map.data, GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info),
                         GST_VIDEO_INFO_PLANE_STRIDE(&info, 0), QImage::Format_RGB32)
                      .copy();
    gst_buffer_unmap(buffer, &map);
    if (picture.isNull() || (picture.width() <= bound.width() && picture.height() <= bound.height()))
        return picture;
    return picture.scaled(bound, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}
} // namespace

bool MediaProbe::isVideo(const QString &name)
{
    static const QSet<QString> videos = {
        QStringLiteral("avi"), QStringLiteral("mp4"), QStringLiteral("m4v"), QStringLiteral("mpeg"), QStringLiteral("mpg"),
        QStringLiteral("ogv"), QStringLiteral("wmv"), QStringLiteral("mkv"), QStringLiteral("webm"), QStringLiteral("mov"),
        QStringLiteral("3gp"), QStringLiteral("flv"), QStringLiteral("ts")};
    return name.contains(QLatin1Char('.')) && videos.contains(StoredName::extension(name).toLower());
}

QImage MediaProbe::frame(const QString &path, QSize bound)
{
    initialise();
    GstElement *sink = nullptr;
    Element play = pipeline(path, &sink);
    if (!play)
        return {};
    QImage picture;
    if (preroll(play.get())) {
        // A frame a second in (the first is often black), or a third into a shorter clip.
        gint64 length = 0;
        gint64 at = gint64(GST_SECOND);
        if (gst_element_query_duration(play.get(), GST_FORMAT_TIME, &length) && length > 0 && length < 3 * at)
            at = length / 3;
        if (gst_element_seek_simple(play.get(), GST_FORMAT_TIME, GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT),
                                    at))
            gst_element_get_state(play.get(), nullptr, nullptr, kWait);
        if (GstSample *sample = gst_app_sink_try_pull_preroll(GST_APP_SINK(sink), kWait)) {
            picture = toImage(sample, bound);
            gst_sample_unref(sample);
        }
    }
    gst_element_set_state(play.get(), GST_STATE_NULL);
    return picture;
}

QString MediaProbe::packageFor(const QString &detail)
{
    // Debian splits GStreamer's plugins by licence; the decoders of the patent-encumbered
    // formats come from FFmpeg (libav), the newer containers from -bad.
    static const QList<QPair<const char *, const char *>> table = {
        {"video/mpegts", "gstreamer1.0-plugins-bad"},     {"systemstream=(boolean)true", "gstreamer1.0-plugins-bad"},
        {"video/x-av1", "gstreamer1.0-plugins-bad"},      {"video/x-h265", "gstreamer1.0-libav"},
        {"video/x-h264", "gstreamer1.0-libav"},           {"video/x-vp8", "gstreamer1.0-plugins-good"},
        {"video/x-vp9", "gstreamer1.0-plugins-good"},     {"video/x-matroska", "gstreamer1.0-plugins-good"},
        {"video/quicktime", "gstreamer1.0-plugins-good"}, {"video/x-msvideo", "gstreamer1.0-plugins-good"},
        {"image/jpeg", "gstreamer1.0-plugins-good"},      {"audio/x-flac", "gstreamer1.0-plugins-good"},
        {"audio/x-wav", "gstreamer1.0-plugins-good"},     {"application/ogg", "gstreamer1.0-plugins-base"},
        {"audio/x-vorbis", "gstreamer1.0-plugins-base"},  {"video/x-theora", "gstreamer1.0-plugins-base"},
        {"audio/x-opus", "gstreamer1.0-plugins-base"},    {"audiosink", "gstreamer1.0-alsa"}};
    for (const auto &[caps, package] : table)
        if (detail.contains(QLatin1String(caps)))
            return QLatin1String(package);
    return QStringLiteral("gstreamer1.0-libav");
}

namespace {
QString nameOf(const QString &detail, const QString &description)
{
    static const QList<QPair<const char *, const char *>> names = {
        {"video/x-h264", "H.264 视频解码器"}, {"video/x-h265", "H.265 视频解码器"},
        {"video/x-av1", "AV1 视频解码器"},    {"mpegversion=(int)4", "MPEG-4/AAC 解码器"},
        {"video/mpeg", "MPEG 视频解码器"},    {"audio/mpeg", "MPEG 音频 (MP3) 解码器"},
        {"video/x-wmv", "WMV 视频解码器"},    {"audio/x-wma", "WMA 音频解码器"},
        {"audio/x-ac3", "AC-3 音频解码器"},   {"video/mpegts", "MPEG-TS 格式"},
        {"video/x-vp8", "VP8 视频解码器"},    {"video/x-vp9", "VP9 视频解码器"}};
    for (const auto &[caps, name] : names)
        if (detail.contains(QLatin1String(caps)))
            return QString::fromUtf8(name);
    return QStringLiteral("解码器 %1").arg(description);
}
} // namespace

QStringList MediaProbe::missing(const QString &path)
{
    initialise();
    GstElement *sink = nullptr;
    Element play = pipeline(path, &sink);
    if (!play)
        return {QStringLiteral("GStreamer 的 playbin (软件包 gstreamer1.0-plugins-base)")};
    // Sound too: a missing audio decoder is as much a gap as a video one.
    g_object_set(play.get(), "flags", 3, nullptr);
    QStringList out;
    gst_element_set_state(play.get(), GST_STATE_PAUSED);
    GstBus *bus = gst_element_get_bus(play.get());
    const auto types = GstMessageType(GST_MESSAGE_ELEMENT | GST_MESSAGE_ERROR | GST_MESSAGE_ASYNC_DONE);
    while (GstMessage *message = gst_bus_timed_pop_filtered(bus, kWait, types)) {
        const GstMessageType type = GST_MESSAGE_TYPE(message);
        if (gst_is_missing_plugin_message(message)) {
            gchar *detail = gst_missing_plugin_message_get_installer_detail(message);
            gchar *description = gst_missing_plugin_message_get_description(message);
            const QString d = QString::fromUtf8(detail ? detail : "");
            const QString line = QStringLiteral("%1 (软件包 %2)")
                                     .arg(nameOf(d, QString::fromUtf8(description ? description : "")), packageFor(d));
            if (!out.contains(line))
                out << line;
            g_free(detail);
            g_free(description);
        }
        gst_message_unref(message);
        if (type != GST_MESSAGE_ELEMENT)
            break;
    }
    gst_object_unref(bus);
    gst_element_set_state(play.get(), GST_STATE_NULL);
    return out;
}
