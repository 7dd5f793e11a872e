#include "app/keyboard/KeyboardDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyleOptionButton>
#include <QVBoxLayout>
#include <array>
#include <span>
#include <vector>

#include "app/dialogs/DialogLanguage.h"
#include "document/FailureReasons.h"
#include "document/StringIds.h"
#include "input/KeyboardLayoutModule.h"
#include "platform/ErrorReport.h"

namespace kavitro {

namespace {

// The key buttons row by row as they sit on the keyboard: digits, the
// q row, the a row, the z row (with the shift buttons at its ends).
constexpr std::array kDigitRow = {1026, 1027, 1028, 1029, 1030, 1031, 1032, 1033, 1034, 1035, 1036, 1037, 1038};
constexpr std::array kTopRow = {1040, 1041, 1042, 1043, 1044, 1045, 1046, 1047, 1048, 1049, 1050, 1051, 1052};
constexpr std::array kHomeRow = {1055, 1056, 1057, 1058, 1059, 1060, 1061, 1062, 1063, 1064, 1065};
constexpr std::array kBottomRow = {1066, 1067, 1068, 1069, 1070, 1071, 1072, 1073, 1077, 1053};

constexpr int kKeySize = 40;
constexpr int kKeyStep = 44;
constexpr int kShiftWidth = 76;
constexpr int kLabelPixels = 20;

QString LabelText(std::uint16_t character) { return QString::fromStdU16String(KeyboardUIModel::Label(character)); }

void Report(ErrorReport* errors, std::uint32_t id) {
    if (errors)
        errors->ReportError(id, MessageButtons::Ok, MessageIcon::None);
}

}  // namespace

// --- Buttons -----------------------------------------------------------------------

CKeyboardButtonBase::CKeyboardButtonBase(CKeybaordUIDialog& dialog, int id, QWidget* parent)
    : QAbstractButton(parent), m_dialog(dialog), m_id(id) {
    setObjectName(QStringLiteral("button%1").arg(id));
    setFixedSize(kKeySize, kKeySize);
    setFocusPolicy(Qt::NoFocus);
    // Persian letters want more than the dialog font's size to be told apart.
    QFont labelFont = font();
    labelFont.setPixelSize(kLabelPixels);
    setFont(labelFont);
}

void CKeyboardButtonBase::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect face = rect();
    painter.fillRect(face, Qt::white);
    // The edge: dark on the lit side while sunken, light while raised.
    const bool sunken = IsSunken();
    const QColor light(255, 255, 255), shadow(128, 128, 128), dark(64, 64, 64);
    painter.setPen(sunken ? dark : QColor(224, 224, 224));
    painter.drawLine(face.topLeft(), face.topRight());
    painter.drawLine(face.topLeft(), face.bottomLeft());
    painter.setPen(sunken ? light : dark);
    painter.drawLine(face.bottomLeft(), face.bottomRight());
    painter.drawLine(face.topRight(), face.bottomRight());
    painter.setPen(sunken ? QColor(224, 224, 224) : shadow);
    painter.drawLine(face.bottomLeft() + QPoint(1, -1), face.bottomRight() + QPoint(-1, -1));
    painter.drawLine(face.topRight() + QPoint(-1, 1), face.bottomRight() + QPoint(-1, -1));
    if (m_hovered) {
        painter.setPen(QPen(Qt::gray, 1, Qt::DotLine));
        painter.drawRect(face.adjusted(2, 2, -3, -3));
    }
    painter.setPen(LabelColour());
    painter.drawText(face, Qt::AlignCenter | Qt::TextSingleLine, LabelText(Character()));
}

void CKeyboardButtonBase::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    m_dialog.ShowInformation(Character());
    update();
    QAbstractButton::enterEvent(event);
}

void CKeyboardButtonBase::leaveEvent(QEvent* event) {
    m_hovered = false;
    m_dialog.ShowInformation(KeyboardUIModel::kNone);
    update();
    QAbstractButton::leaveEvent(event);
}

std::uint16_t CKeyboardButton::Character() const { return m_dialog.m_model.KeyCharacter(Id()); }

std::uint16_t CKeyboardListButton::Character() const { return m_dialog.m_model.PaletteCharacter(Id()); }

bool CKeyboardListButton::IsSunken() const { return isDown() || m_dialog.m_model.IsPalettePressed(Id()); }

QColor CKeyboardListButton::LabelColour() const {
    return m_dialog.m_model.IsPalettePressed(Id()) ? QColor(255, 0, 0) : QColor(0, 0, 0);
}

CKeyboardShiftButton::CKeyboardShiftButton(CKeybaordUIDialog& dialog, int id, QWidget* parent)
    : QAbstractButton(parent), m_dialog(dialog), m_id(id) {
    setObjectName(QStringLiteral("button%1").arg(id));
    setText(DialogText(StringId::KeyboardShift));
    setFixedSize(kShiftWidth, kKeySize);
    setFocusPolicy(Qt::NoFocus);
}

QSize CKeyboardShiftButton::sizeHint() const { return {kShiftWidth, kKeySize}; }

void CKeyboardShiftButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
    painter.setPen(m_dialog.m_model.IsShifted() ? QColor(255, 0, 0) : QColor(0, 0, 0));
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
}

// --- The dialog --------------------------------------------------------------------

CKeybaordUIDialog::CKeybaordUIDialog(CKeyboardLayoutModule& module, const std::filesystem::path& programFolder,
                                     ErrorReport* errors, QWidget* parent)
    : QDialog(parent), m_module(module), m_errors(errors) {
    // Without a usable button map the keys stay blank and ignore clicks; the
    // palette and the commands still work.
    m_model.Open(module, programFolder);
    setWindowTitle(DialogText(StringId::KeyboardDialogTitle));
    ApplyDialogDirection(*this);

    m_information = new QLabel(this);
    m_information->setObjectName(QStringLiteral("information"));
    QFont informationFont(QStringLiteral("Tahoma"));
    informationFont.setPixelSize(36);
    m_information->setFont(informationFont);
    m_information->setAlignment(Qt::AlignCenter);
    m_information->setFixedSize(72, 72);
    m_information->setFrameShape(QFrame::StyledPanel);

    auto* top = new QHBoxLayout;
    top->addWidget(m_information);
    top->addStretch(1);
    top->addWidget(BuildPalette());

    auto* commands = new QDialogButtonBox(this);
    const auto addCommand = [&](std::uint32_t text, const char* name, auto slot) {
        QPushButton* button = commands->addButton(DialogText(text), QDialogButtonBox::ActionRole);
        button->setObjectName(QLatin1String(name));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, slot);
    };
    addCommand(StringId::KeyboardSave, "save", &CKeybaordUIDialog::OnSave);
    addCommand(StringId::KeyboardDefault, "default", &CKeybaordUIDialog::OnDefault);
    addCommand(StringId::KeyboardClose, "close", &CKeybaordUIDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(BuildKeys(), 0, Qt::AlignHCenter);
    layout->addWidget(commands);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QWidget* CKeybaordUIDialog::BuildKeys() {
    // The keys sit where they sit on the keyboard, in either reading
    // direction of the interface.
    auto* panel = new QWidget(this);
    panel->setLayoutDirection(Qt::LeftToRight);
    const auto placeRow = [&](std::span<const int> ids, int row, int indent) {
        for (std::size_t i = 0; i < ids.size(); ++i) {
            auto* key = new CKeyboardButton(*this, ids[i], panel);
            key->move(indent + static_cast<int>(i) * kKeyStep, row * kKeyStep);
            connect(key, &QAbstractButton::clicked, this, [this, id = ids[i]] { OnKeyClicked(id); });
            m_buttons[ids[i]] = key;
        }
    };
    placeRow(kDigitRow, 0, 0);
    placeRow(kTopRow, 1, kKeyStep / 2 + 12);
    placeRow(kHomeRow, 2, kKeyStep / 2 + 24);
    const int bottomIndent = kShiftWidth + 4;
    placeRow(kBottomRow, 3, bottomIndent);
    const int rightShiftX = bottomIndent + static_cast<int>(kBottomRow.size()) * kKeyStep;
    for (const auto& [id, x] : {std::pair{kLeftShift, 0}, std::pair{kRightShift, rightShiftX}}) {
        auto* shift = new CKeyboardShiftButton(*this, id, panel);
        shift->move(x, 3 * kKeyStep);
        connect(shift, &QAbstractButton::clicked, this, &CKeybaordUIDialog::OnShiftClicked);
        m_buttons[id] = shift;
    }
    panel->setFixedSize(std::max(rightShiftX + kShiftWidth, static_cast<int>(kDigitRow.size()) * kKeyStep),
                        3 * kKeyStep + kKeySize);
    return panel;
}

QWidget* CKeybaordUIDialog::BuildPalette() {
    // The palette reads right to left, as Persian does: its first cell is at
    // the right end, where the scroll bar starts.
    auto* panel = new QWidget(this);
    panel->setLayoutDirection(Qt::LeftToRight);
    auto* cells = new QHBoxLayout;
    cells->setSpacing(2);
    for (int k = KeyboardUIModel::kPaletteButtonCount - 1; k >= 0; --k) {
        const int id = kFirstPaletteButton + k;
        auto* cell = new CKeyboardListButton(*this, id, panel);
        connect(cell, &QAbstractButton::clicked, this, [this, id] { OnPaletteClicked(id); });
        cells->addWidget(cell);
        m_buttons[id] = cell;
    }
    m_scrollBar = new QScrollBar(Qt::Horizontal, panel);
    m_scrollBar->setObjectName(QStringLiteral("palette"));
    m_scrollBar->setRange(KeyboardUIModel::kMinScroll, KeyboardUIModel::kMaxScroll);
    m_scrollBar->setSingleStep(1);
    m_scrollBar->setPageStep(14);
    m_scrollBar->setValue(m_model.GetScrollPosition());
    connect(m_scrollBar, &QScrollBar::valueChanged, this, &CKeybaordUIDialog::OnScrolled);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(cells);
    layout->addWidget(m_scrollBar);
    return panel;
}

QAbstractButton* CKeybaordUIDialog::Button(int id) const {
    const auto it = m_buttons.find(id);
    return it == m_buttons.end() ? nullptr : it->second;
}

QString CKeybaordUIDialog::InformationText() const { return m_information->text(); }

void CKeybaordUIDialog::ShowInformation(std::uint16_t character) {
    const QString text = LabelText(character);
    if (m_information->text() != text)
        m_information->setText(text);
}

void CKeybaordUIDialog::OnKeyClicked(int id) {
    if (m_model.ClickKey(id))
        m_buttons[id]->update();
}

void CKeybaordUIDialog::OnPaletteClicked(int id) {
    m_model.ClickPalette(id);
    RepaintButtons();
}

void CKeybaordUIDialog::OnShiftClicked() {
    m_model.ClickShift();
    RepaintButtons();
}

void CKeybaordUIDialog::OnScrolled(int position) {
    m_model.Scroll(KeyboardUIModel::ScrollRequest::ThumbPosition, position);
    RepaintButtons();
}

void CKeybaordUIDialog::RepaintButtons() {
    for (const auto& [id, button] : m_buttons)
        button->update();
}

void CKeybaordUIDialog::OnSave() {
    FileProblem problem = FileProblem::None;
    if (m_model.Save(m_module, &problem) == CKeyboardLayoutModule::kSuccess || !m_errors)
        return;
    m_errors->ReportFileError(StringId::KeyboardSaveFailed, m_module.GetUserLayoutPath().u16string(),
                              ReasonStringId(problem), MessageIcon::None);
}

void CKeybaordUIDialog::OnDefault() {
    if (m_model.Default(m_module) != CKeyboardLayoutModule::kSuccess) {
        Report(m_errors, StringId::KeyboardDefaultFailed);
        return;
    }
    RepaintButtons();
}

void CKeybaordUIDialog::reject() { accept(); }

void RunKeyboardDialog(QWidget* parent, CKeyboardLayoutModule& module, const std::filesystem::path& programFolder,
                       ErrorReport* errors) {
    {
        CKeybaordUIDialog dialog(module, programFolder, errors, parent);
        dialog.exec();
    }
    if (module.LoadLayouts() == CKeyboardLayoutModule::kUserMissing)
        Report(errors, StringId::UserKeyboardMissing);
}

}  // namespace kavitro
