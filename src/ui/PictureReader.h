#pragma once

#include <QImageReader>
#include <QSize>
#include <QString>

// Reads a picture no larger than it is shown, so a 100-megapixel photo costs what its shown
// size costs. Sizes are as the picture is shown: its EXIF rotation is honoured.
class PictureReader {
public:
    explicit PictureReader(const QString &path);

    // The picture's own size; invalid when the file is no readable picture.
    QSize naturalSize() const { return natural_; }
    // The picture fitted within `bound` with its proportions kept, never enlarged; read once.
    QImage read(QSize bound);
    QString errorString() const { return reader_.errorString(); }

    // Whether a file of this name is a picture Qt can read, by its extension alone.
    static bool isPicture(const QString &name);

private:
    QImageReader reader_;
    QSize natural_;
    bool turned_ = false; // stored a quarter turn from how it is shown
};
