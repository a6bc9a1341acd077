#pragma once
// A photo made small while it is read: the decoder scales as it goes, so a large camera file
// costs little memory and time.
#include <QImage>
#include <QImageIOHandler>
#include <QSize>
#include <QString>

// `size` scaled down to fit within `box`, keeping its aspect; never larger than it was, never
// empty.
QSize FitWithin(QSize size, QSize box);

// The picture at `path` at most `box` big, turned as the camera's orientation says. A null image
// when the file does not decode as a picture.
QImage DecodeThumbnail(const QString& path, QSize box);

// The same thumbnail made from a picture already decoded smaller than stored, without turning:
// `stored` is the photo's full size as stored, `turn` the camera's orientation. A null image when
// `picture` is smaller than the thumbnail would be, which only a decode of the file can make sharp.
QImage ThumbnailOfDecoded(const QImage& picture, QSize stored,
                          QImageIOHandler::Transformations turn, QSize box);
