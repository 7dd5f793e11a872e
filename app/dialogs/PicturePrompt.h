#pragma once

// The open-picture dialog of the picture object: the file dialog with
// preview, with the filter, accepted extensions, title and folders the
// document layer asks for. The shell registers one with
// SetPictureFilePrompt at start.

#include <QWidget>
#include <QPointer>

#include "document/DrawPicture.h"

namespace kavitro {

class DialogPictureFilePrompt final : public PictureFilePrompt {
public:
    explicit DialogPictureFilePrompt(QWidget* parent = nullptr) : m_parent(parent) {}
    std::optional<std::filesystem::path> AskPictureFile(const PictureFileRequest& request) override;

private:
    QPointer<QWidget> m_parent;
};

}  // namespace kavitro
