#include "gui/thumbnaildecode.h"

#include <QImageReader>

QSize FitWithin(QSize size, QSize box) {
    if (size.width() <= box.width() && size.height() <= box.height()) return size;
    return size.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

QImage DecodeThumbnail(const QString& path, QSize box) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QSize stored = reader.size();
    if (!stored.isValid()) return {};
    // The orientation turns the picture after scaling: fit the stored size into the box as it
    // will stand once turned.
    const bool turned = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    if (turned) stored.transpose();
    QSize scaled = FitWithin(stored, box);
    if (turned) scaled.transpose();
    reader.setScaledSize(scaled);
    return reader.read();
}
