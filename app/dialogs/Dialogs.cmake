# The dialogs of the shell: part of kavitro_app.
target_sources(kavitro_app PRIVATE
  dialogs/BitmapSizeDialog.cpp
  dialogs/ColourPicker.cpp
  dialogs/DialogLanguage.cpp
  dialogs/FileDialogTranslator.cpp
  dialogs/GuideLineDialog.cpp
  dialogs/ObjectPropertyPages.cpp
  dialogs/FilePrompt.cpp
  dialogs/PagePropertyPages.cpp
  dialogs/PaperPage.cpp
  dialogs/PersianFileDialog.cpp
  dialogs/PicturePrompt.cpp
  dialogs/PreviewControl.cpp
  dialogs/PropertySheet.cpp
)
