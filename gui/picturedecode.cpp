#include "gui/picturedecode.h"

#include <QImage>
#include <QImageReader>

namespace {

// The JPEG reader decodes at an eighth of the size almost for free.
constexpr int kScaleDown = 8;

}  // namespace

std::optional<std::string> PictureDecodeProblem(const std::string& path) {
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(false);
    const QSize size = reader.size();
    if (size.isValid()) {
        reader.setScaledSize(
            QSize(std::max(1, size.width() / kScaleDown), std::max(1, size.height() / kScaleDown)));
    }
    const QImage picture = reader.read();
    if (!picture.isNull()) return std::nullopt;
    return reader.errorString().toStdString();
}
