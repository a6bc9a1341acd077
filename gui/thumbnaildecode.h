#pragma once
// A photo made small while it is read: the decoder scales as it goes, so a large camera file
// costs little memory and time.
#include <QImage>
#include <QSize>
#include <QString>

// `size` scaled down to fit within `box`, keeping its aspect; never larger than it was, never
// empty.
QSize FitWithin(QSize size, QSize box);

// The picture at `path` at most `box` big, turned as the camera's orientation says. A null image
// when the file does not decode as a picture.
QImage DecodeThumbnail(const QString& path, QSize box);
