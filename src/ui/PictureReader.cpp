#include "ui/PictureReader.h"

#include <QSet>

PictureReader::PictureReader(const QString &path) : reader_(path)
{
    reader_.setAutoTransform(true);
    turned_ = reader_.transformation() & QImageIOHandler::TransformationRotate90;
    natural_ = reader_.size();
    if (turned_)
        natural_.transpose();
}

QImage PictureReader::read(QSize bound)
{
    if (!natural_.isValid())
        return reader_.read(); // no size known beforehand: whole, within the allocation limit
    QSize target = natural_;
    if (target.width() > bound.width() || target.height() > bound.height())
        target.scale(bound.expandedTo(QSize(1, 1)), Qt::KeepAspectRatio);
    target = target.expandedTo(QSize(1, 1));
    // The reader scales before it turns the picture.
    reader_.setScaledSize(turned_ ? target.transposed() : target);
    return reader_.read();
}

bool PictureReader::isPicture(const QString &name)
{
    static const QSet<QString> suffixes = [] {
        QSet<QString> set;
        for (const QByteArray &format : QImageReader::supportedImageFormats())
            set.insert(QString::fromLatin1(format).toLower());
        return set;
    }();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < name.lastIndexOf(QLatin1Char('/')) || dot < name.lastIndexOf(QLatin1Char('\\')))
        return false;
    return suffixes.contains(name.mid(dot + 1).toLower());
}
