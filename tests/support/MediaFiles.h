#pragma once

#include <QString>

// Real media files made with GStreamer's gst-launch-1.0: three seconds of a moving test
// picture and a tone, in the container and codecs the file's extension names (.mp4 H.264
// and AAC, .avi MPEG-4 and MP3, .mkv H.264 and Vorbis, .webm VP8 and Vorbis; .mp3, .wav,
// .ogg sound only). Returns the error text, empty on success.
QString makeMedia(const QString &path);
