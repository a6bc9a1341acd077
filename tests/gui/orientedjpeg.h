#pragma once
// JPEG photos that carry the camera's orientation. Qt's writer turns the pixels instead of writing
// the tag, so the tag is put in by hand.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <string>

#include "support/jpegbytes.h"

// `picture` as a JPEG whose EXIF orientation (1 to 8) says how it is to be turned.
inline std::string JpegWithOrientation(const QImage& picture, char orientation) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(picture.save(&buffer, "jpeg"));
    std::string bytes = buffer.data().toStdString();
    const std::string exif = std::string(
                                 "Exif\0\0"
                                 "MM\x00\x2A\x00\x00\x00\x08"             // big-endian TIFF
                                 "\x00\x01"                               // one entry:
                                 "\x01\x12\x00\x03\x00\x00\x00\x01\x00",  // orientation
                                 25) +
                             orientation + std::string(6, '\0');
    bytes.insert(2, testsupport::JpegSegment(0xE1, exif));  // after the start of image
    return bytes;
}
