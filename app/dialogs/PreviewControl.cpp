#include "app/dialogs/PreviewControl.h"

#include <QFileInfo>
#include <QPainter>

#include "document/FilePreview.h"

namespace kavitro {

namespace {
constexpr int kInset = 3;
}  // namespace

CKavitroPreviewControl::CKavitroPreviewControl(QWidget* parent) : QWidget(parent) {
    setMinimumSize(kPictureSize / 2, kPictureSize / 2);
}

QSize CKavitroPreviewControl::sizeHint() const { return {kPictureSize + 2 * kInset, kPictureSize + 2 * kInset}; }

void CKavitroPreviewControl::SetFilePath(const QString& path) {
    if (path == m_path) return;
    m_path = path;
    m_picture = QImage();
    // Only regular files are opened: a FIFO or a device would block the
    // user interface until someone writes to it.
    if (!m_path.isEmpty() && QFileInfo(m_path).isFile()) {
        ++m_decodes;
        m_picture = DecodeFilePreview(std::filesystem::path(m_path.toStdU16String()), QSize(kPictureSize, kPictureSize));
    }
    update();
}

void CKavitroPreviewControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const QRect inner = rect().adjusted(kInset, kInset, -kInset, -kInset);
    if (m_path.isEmpty()) {
        painter.drawLine(inner.topLeft(), inner.bottomRight());
        painter.drawLine(inner.topRight(), inner.bottomLeft());
        return;
    }
    if (m_picture.isNull() || inner.isEmpty()) return;
    // The picture was decoded into a square; keep its shape in the pane.
    const int side = std::min(inner.width(), inner.height());
    const QRect square(inner.center().x() - side / 2, inner.center().y() - side / 2, side, side);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(square, m_picture);
}

}  // namespace kavitro
