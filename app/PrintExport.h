#pragma once

// The shell's export, print, print preview and page setup commands over the
// headless page export and page printer of the view layer. Each reports its
// own failures; each returns true when it wrote, printed or changed
// something, false when the user cancelled or it failed.

#include <functional>

#include "platform/Geometry.h"

class QWidget;

namespace kavitro {
class CKavitroView;
}

// The export command: the save dialog with the eight formats, the size
// dialog for raster formats, the write (atomic) and "Last Export Dir".
bool ExportPageInteractive(QWidget* parent, kavitro::CKavitroView& view);
// The print dialog (or the preview) on the document's paper; printing to a
// PDF file works without any printer installed.
bool PrintInteractive(QWidget* parent, kavitro::CKavitroView& view, bool preview);
// The page setup dialog on the document's paper; the document takes the
// paper and margins only on OK. The dialog needs a printer of the system's
// printing service: without one nothing is shown and false is returned (the
// shell disables the command while IsPageSetupAvailable is false; the page
// properties still set the paper).
bool PageSetupInteractive(QWidget* parent, kavitro::CKavitroView& view);
bool IsPageSetupAvailable();

// The bitmap-size dialog the export asks for a raster size: called with the
// proposed size, it leaves the chosen one in place and returns false on
// Cancel. Without one the proposed size is taken.
using BitmapSizeDialog = std::function<bool(QWidget* parent, kavitro::Size& size)>;
void SetBitmapSizeDialog(BitmapSizeDialog dialog);
