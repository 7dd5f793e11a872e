#pragma once

// The preview pane of the file dialog: a frame, a cross while nothing is
// shown, else the picture of the selected file, or a picture the dialog's
// caller supplies, fitted inside with its shape kept. Each file is decoded
// once when it is selected (not on every paint); a file that cannot be shown
// leaves the frame alone.

#include <QImage>
#include <QString>
#include <QWidget>

#include <functional>

namespace kavitro {

class CKavitroPreviewControl : public QWidget {
    Q_OBJECT
public:
    // The inner size pictures are decoded to.
    static constexpr int kPictureSize = 200;

    explicit CKavitroPreviewControl(QWidget* parent = nullptr);

    // Shows the file (empty: nothing selected). Choosing the same file again
    // does not decode it again.
    void SetFilePath(const QString& path);
    const QString& FilePath() const { return m_path; }
    // Shows a picture that is not a file's (the export shows the page it is
    // about to write); a null picture shows the cross. A later file path
    // replaces it.
    void ShowPicture(const QImage& picture);
    // Shows a picture drawn for the room inside the frame, drawn again when
    // the pane changes size (an empty function shows the cross).
    using Renderer = std::function<QImage(QSize room)>;
    void ShowRendered(Renderer render);
    // The room inside the frame that pictures are fitted into.
    QSize PictureRoom() const;
    // The decoded picture (null when there is nothing to show).
    const QImage& Picture() const { return m_picture; }
    // How many files were decoded so far.
    int DecodeCount() const { return m_decodes; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Render();

    QString m_path;
    QImage m_picture;
    Renderer m_render;
    bool m_supplied = false;
    int m_decodes = 0;
};

}  // namespace kavitro
