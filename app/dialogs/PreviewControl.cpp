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
    if (path == m_path && !m_supplied) return;
    m_supplied = false;
    m_render = {};
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

void CKavitroPreviewControl::ShowPicture(const QImage& picture) {
    m_path.clear();
    m_picture = picture;
    m_supplied = true;
    m_render = {};
    update();
}

void CKavitroPreviewControl::ShowRendered(Renderer render) {
    m_path.clear();
    m_supplied = true;
    m_render = std::move(render);
    Render();
}

QSize CKavitroPreviewControl::PictureRoom() const {
    return rect().adjusted(kInset, kInset, -kInset, -kInset).size();
}

void CKavitroPreviewControl::Render() {
    const QSize room = PictureRoom();
    m_picture = m_render && !room.isEmpty() ? m_render(room) : QImage();
    update();
}

void CKavitroPreviewControl::resizeEvent(QResizeEvent*) {
    if (m_render) Render();
}

void CKavitroPreviewControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const QRect inner = rect().adjusted(kInset, kInset, -kInset, -kInset);
    if (m_path.isEmpty() && m_picture.isNull()) {
        painter.drawLine(inner.topLeft(), inner.bottomRight());
        painter.drawLine(inner.topRight(), inner.bottomLeft());
        return;
    }
    if (m_picture.isNull() || inner.isEmpty()) return;
    // A picture drawn for the room is shown pixel for pixel, centred.
    if (m_render && m_picture.width() <= inner.width() && m_picture.height() <= inner.height()) {
        painter.drawImage(inner.left() + (inner.width() - m_picture.width()) / 2,
                          inner.top() + (inner.height() - m_picture.height()) / 2, m_picture);
        return;
    }
    // Keep the picture's shape in the pane (a file's was decoded into a square).
    const Rect fitted = FitPreviewRect(Size{m_picture.width(), m_picture.height()},
                                       Rect(inner.left(), inner.top(), inner.right() + 1, inner.bottom() + 1));
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(fitted.left, fitted.top, fitted.Width(), fitted.Height()), m_picture);
}

}  // namespace kavitro
