#include "gui/thumbnailstrip.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QUrl>
#include <algorithm>

#include "core/clientsession.h"
#include "core/picturecheck.h"
#include "gui/desktopopen.h"
#include "gui/picturechecktiles.h"

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kTileGap = 6;

// Paints each tile's own pixmap. A QIcon would do it through the pixmap cache, which keeps every
// tile ever shown until the cache is full: about 10 MB that a long delivery never gave back.
class TilePainter : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem plain = option;
        initStyleOption(&plain, index);
        const QWidget* view = plain.widget;
        // The selection and focus, as the style draws them for an item without text or icon.
        (view ? view->style() : QApplication::style())
            ->drawControl(QStyle::CE_ItemViewItem, &plain, painter, view);
        const QPixmap tile = index.data(ThumbnailStrip::kTileRole).value<QPixmap>();
        QRect place(QPoint(), tile.deviceIndependentSize().toSize());
        place.moveCenter(option.rect.center());
        painter->drawPixmap(place, tile);
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return ThumbnailStrip::kThumbnailBox;
    }
};

// A grey box while the thumbnail is made; crossed out when the photo does not decode.
QPixmap EmptyTile(bool broken) {
    QPixmap tile(ThumbnailStrip::kThumbnailBox);
    tile.fill(QColor(0xe4, 0xe4, 0xe4));
    if (broken) {
        QPainter painter(&tile);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0xb0, 0x30, 0x30), 3));
        const QRect mark = tile.rect().adjusted(40, 25, -40, -25);
        painter.drawLine(mark.topLeft(), mark.bottomRight());
        painter.drawLine(mark.topRight(), mark.bottomLeft());
    }
    return tile;
}

QString NameAndFolder(const QString& path) {
    const QFileInfo file(path);
    return file.fileName() + QLatin1Char('\n') + QDir::toNativeSeparators(file.absolutePath());
}

}  // namespace

ThumbnailStrip::ThumbnailStrip(ClientSession& session, QWidget* parent,
                               ThumbnailLoader::Decoder decode,
                               std::shared_ptr<PictureCheckTiles> checkTiles)
    : QWidget(parent),
      m_session(session),
      m_pages(new QStackedWidget(this)),
      m_tiles(new QListWidget(m_pages)),
      m_openFolder(new QPushButton(QStringLiteral("저장 폴더 열기"), this)),
      m_waitingTile(EmptyTile(false)),
      m_brokenTile(EmptyTile(true)),
      // Decoded at the screen's pixels, so a scaled screen shows them sharp.
      m_loader(kThumbnailBox * qApp->devicePixelRatio(), kTiles, std::move(decode)),
      m_checkTiles(std::move(checkTiles)) {
    auto* empty = new QLabel(QStringLiteral("받은 사진이 여기에 표시됩니다"), m_pages);
    empty->setAlignment(Qt::AlignCenter);
    empty->setStyleSheet(QStringLiteral("color: gray"));
    m_pages->addWidget(empty);
    m_pages->addWidget(m_tiles);

    m_tiles->setViewMode(QListView::IconMode);
    m_tiles->setFlow(QListView::LeftToRight);
    m_tiles->setWrapping(false);
    m_tiles->setMovement(QListView::Static);
    m_tiles->setUniformItemSizes(true);
    m_tiles->setIconSize(kThumbnailBox);
    m_tiles->setGridSize(kThumbnailBox + QSize(kTileGap, kTileGap));
    m_tiles->setItemDelegate(new TilePainter(m_tiles));
    m_tiles->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_tiles->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // Room for one row of tiles and the scroll bar under it, so neither is cut.
    m_pages->setFixedHeight(m_tiles->gridSize().height() +
                            m_tiles->horizontalScrollBar()->sizeHint().height() +
                            2 * m_tiles->frameWidth());

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(m_pages, 1);
    row->addWidget(m_openFolder, 0, Qt::AlignBottom);

    connect(m_tiles, &QListWidget::itemActivated, this,
            [this](const QListWidgetItem* tile) { OpenPhoto(tile); });
    connect(m_openFolder, &QPushButton::clicked, this, [this] { OpenSaveFolder(m_session); });
    connect(&m_loader, &ThumbnailLoader::thumbnailReady, this,
            [this](const QString& path, const QImage& image) { ShowThumbnail(path, image); });
    connect(&session, &ClientSession::photoStored, this,
            [this](const QString& path) { ShowPhoto(path); });
    if (!m_checkTiles) return;
    m_checkTiles->SetSink(m_loader.Box(), [this](const QString& path, const QImage& tile) {
        // Queued to the row: the sink is taken away before the row goes.
        QMetaObject::invokeMethod(
            this, [this, path, tile] { TakeCheckedTile(path, tile); }, Qt::QueuedConnection);
    });
    connect(&session, &ClientSession::photoDamaged, this,
            [this](const QString& path) { TakeCheckedTile(path, QImage()); });
}

ThumbnailStrip::~ThumbnailStrip() {
    if (m_checkTiles) m_checkTiles->SetSink({}, {});
}

void ThumbnailStrip::ShowPhoto(const QString& path) {
    delete TileOf(path);
    auto* tile = new QListWidgetItem;
    tile->setData(kTileRole, m_waitingTile);
    tile->setData(kPathRole, path);
    tile->setToolTip(NameAndFolder(path));
    m_tiles->insertItem(0, tile);
    while (m_tiles->count() > kTiles) delete m_tiles->takeItem(kTiles);
    m_pages->setCurrentWidget(m_tiles);
    if (!m_checkTiles || !IsJpegName(path.toStdString())) {
        m_loader.Request(path);
        return;
    }
    // Its picture check hands the tile over, unless it already has.
    const auto early = std::ranges::find(m_earlyTiles, path, &std::pair<QString, QImage>::first);
    if (early == m_earlyTiles.end()) return;
    ShowThumbnail(path, early->second);
    m_earlyTiles.erase(early);
}

void ThumbnailStrip::TakeCheckedTile(const QString& path, const QImage& image) {
    if (TileOf(path)) {
        ShowThumbnail(path, image);
        return;
    }
    std::erase_if(m_earlyTiles, [&path](const auto& early) { return early.first == path; });
    m_earlyTiles.emplace_back(path, image);
    if (m_earlyTiles.size() > kTiles) m_earlyTiles.pop_front();
}

void ThumbnailStrip::ShowThumbnail(const QString& path, const QImage& image) {
    QListWidgetItem* tile = TileOf(path);
    if (!tile) return;  // pushed out of the row meanwhile
    if (image.isNull()) {
        tile->setData(kTileRole, m_brokenTile);
        tile->setToolTip(QStringLiteral("미리 보기를 만들 수 없는 사진\n") + NameAndFolder(path));
        return;
    }
    QPixmap thumbnail = QPixmap::fromImage(image);
    thumbnail.setDevicePixelRatio(qApp->devicePixelRatio());
    tile->setData(kTileRole, thumbnail);
}

void ThumbnailStrip::OpenPhoto(const QListWidgetItem* tile) const {
    const QString path = tile->data(kPathRole).toString();
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        m_session.Log("사진을 열 수 없음: " + path.toStdString());
    }
}

QListWidgetItem* ThumbnailStrip::TileOf(const QString& path) const {
    for (int row = 0; row < m_tiles->count(); ++row) {
        QListWidgetItem* tile = m_tiles->item(row);
        if (tile->data(kPathRole).toString() == path) return tile;
    }
    return nullptr;
}
