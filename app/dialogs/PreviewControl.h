#pragma once

// The preview pane of the file dialog: a frame, a cross while no file is
// selected, else the picture of the selected file fitted inside. Each file
// is decoded once when it is selected (not on every paint); a file that
// cannot be shown leaves the frame alone.

#include <QImage>
#include <QString>
#include <QWidget>

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
    // The decoded picture (null when there is nothing to show).
    const QImage& Picture() const { return m_picture; }
    // How many files were decoded so far.
    int DecodeCount() const { return m_decodes; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_path;
    QImage m_picture;
    int m_decodes = 0;
};

}  // namespace kavitro
