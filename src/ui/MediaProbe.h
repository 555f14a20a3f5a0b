#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

// Asks GStreamer, the player's own engine, about a media file: a frame for its thumbnail,
// and which decoders it lacks. Safe to use from any thread; each call runs its own pipeline.
class MediaProbe {
public:
    // Whether a file of this name is a video, by its extension alone.
    static bool isVideo(const QString &name);
    // A frame from the first seconds (a second in, or a third of a shorter clip), fitted
    // within `bound`; null when the file cannot be decoded within a few seconds.
    static QImage frame(const QString &path, QSize bound);
    // One line per missing piece, in Chinese with the Debian package that has it, for
    // example "H.264 视频解码器 (软件包 gstreamer1.0-libav)"; empty when nothing is missing.
    static QStringList missing(const QString &path);
    // The package that holds GStreamer's plugin for what an installer detail names
    // ("decoder-video/x-h264, ...").
    static QString packageFor(const QString &detail);
};
