#pragma once
// The decode of a photo's picture, for its check: Qt's image reader at a fraction of the picture's
// size, which still reads every block of the compressed data but skips most of the work.
#include <QImage>
#include <QImageIOHandler>
#include <QSize>
#include <string>

struct PictureForCheck {
    // At an eighth of the stored size, as stored (not turned); null when it does not decode.
    QImage picture;
    QSize storedSize;  // invalid when the header does not say
    // The camera's orientation, which the picture still needs.
    QImageIOHandler::Transformations turn = QImageIOHandler::TransformationNone;
    std::string problem;  // why it does not decode; empty when it does
};

PictureForCheck DecodeForCheck(const std::string& path);
