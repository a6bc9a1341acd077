#include "gui/picturedecode.h"

#include <QImageReader>

namespace {

// The JPEG reader decodes at an eighth of the size almost for free.
constexpr int kScaleDown = 8;

}  // namespace

PictureForCheck DecodeForCheck(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(false);
    PictureForCheck decoded;
    decoded.storedSize = reader.size();
    decoded.turn = reader.transformation();
    if (decoded.storedSize.isValid()) {
        reader.setScaledSize(QSize(std::max(1, decoded.storedSize.width() / kScaleDown),
                                   std::max(1, decoded.storedSize.height() / kScaleDown)));
    }
    decoded.picture = reader.read();
    if (decoded.picture.isNull()) decoded.problem = reader.errorString().toStdString();
    return decoded;
}
