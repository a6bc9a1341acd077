#include "gui/thumbnaildecode.h"

#include <QImageReader>
#include <QTransform>

namespace {

// The size to decode a picture stored at `stored` so that, once turned, it fits `box`.
QSize ScaledAsStored(QSize stored, bool turned, QSize box) {
    if (turned) stored.transpose();
    QSize scaled = FitWithin(stored, box);
    if (turned) scaled.transpose();
    return scaled;
}

// Turns as Qt's reader does: mirrored and flipped first, then a quarter turn clockwise.
QImage Turned(QImage picture, QImageIOHandler::Transformations turn) {
    picture = std::move(picture).mirrored(turn.testFlag(QImageIOHandler::TransformationMirror),
                                          turn.testFlag(QImageIOHandler::TransformationFlip));
    if (!turn.testFlag(QImageIOHandler::TransformationRotate90)) return picture;
    return picture.transformed(QTransform().rotate(90));
}

}  // namespace

QSize FitWithin(QSize size, QSize box) {
    if (size.width() <= box.width() && size.height() <= box.height()) return size;
    return size.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

QImage DecodeThumbnail(const QString& path, QSize box) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    if (!stored.isValid()) return {};
    // The orientation turns the picture after scaling: fit the stored size into the box as it
    // will stand once turned.
    reader.setScaledSize(ScaledAsStored(
        stored, reader.transformation().testFlag(QImageIOHandler::TransformationRotate90), box));
    return reader.read();
}

QImage ThumbnailOfDecoded(const QImage& picture, QSize stored,
                          QImageIOHandler::Transformations turn, QSize box) {
    if (picture.isNull() || !stored.isValid()) return {};
    const QSize scaled =
        ScaledAsStored(stored, turn.testFlag(QImageIOHandler::TransformationRotate90), box);
    if (picture.width() < scaled.width() || picture.height() < scaled.height()) return {};
    return Turned(picture.scaled(scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), turn);
}
