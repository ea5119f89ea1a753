// The bet system editor.
#include "ui/dialogs/fBetSystemEditor.h"

#include "preferences/Preferences.h"
#include "support/Numbers.h"
#include "ui/dialogs/DialogTools.h"
#include "ui/dialogs/EditorGrid.h"
#include "ui/widgets/Guard.h"
#include "ui/widgets/HelpContext.h"
#include "ui/widgets/Looks.h"
#include "ui/widgets/QuickEdit.h"

#include <QAbstractTableModel>
#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>

#include <algorithm>

namespace wl {

namespace {

const QString SystemSection = QStringLiteral("SystemEditorWindow");
constexpr int ColumnWidths[4] = {63, 62, 91, 93};
constexpr int HeaderHeight = 20;
constexpr int SuccessorDigits = 2;
const QString SuccessorAddsStates =
    QStringLiteral("There is no state %d yet: the states %d to %d are added, each with a bet of 0. On OK, states "
                   "that no state leads to are removed and the others renumbered. Add them?");

} // namespace

namespace {

class TStateDelegate : public QStyledItemDelegate {
public:
    TStateDelegate(TfmBetSystemEditor& form, QObject* parent) : QStyledItemDelegate(parent), FForm(form) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override {
        auto* edit = new QLineEdit(parent); // owned by the view, which deletes it on close
        edit->setAlignment(Qt::AlignCenter);
        edit->setFrame(false);
        if (index.column() >= 2)
            edit->setMaxLength(SuccessorDigits);
        return edit;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        static_cast<QLineEdit*>(editor)->setText(FForm.CellText(index.column(), index.row() + 1));
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
        Guarded(&FForm, [&] {
            FForm.StatesGridSetEditText(index.column(), index.row() + 1, static_cast<QLineEdit*>(editor)->text());
        });
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        if (index.column() == 0 && index.row() + 1 == FForm.FramedRow()) {
            // The state the current successor cell leads to.
            opt.rect.adjust(1, 1, -1, -1);
            painter->save();
            painter->setPen(opt.palette.color(QPalette::Active, QPalette::Text));
            painter->drawRect(opt.rect.adjusted(0, 0, -1, -1));
            painter->restore();
            opt.rect.adjust(1, 1, -1, -1);
        }
        if (const QWidget* widget = opt.widget)
            widget->style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        const bool selected = (opt.state & QStyle::State_Selected) != 0;
        painter->save();
        painter->setPen(opt.palette.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(opt.rect, Qt::AlignCenter | Qt::TextSingleLine, text);
        painter->restore();
    }

private:
    TfmBetSystemEditor& FForm;
};

} // namespace

TfmBetSystemEditor::TfmBetSystemEditor(QWidget* parent)
    : TEditorForm(parent, QStringLiteral("Bet System Editor"), BetSystemEditorHelpContext) {
    lSystemName = new QLabel(QStringLiteral("Bet System name"), this);
    edSystemName = new QLineEdit(this);
    lSystemName->setBuddy(edSystemName);
    lHeader = new QLabel(QStringLiteral("BET STATES TABLE"), this);

    FModel = new TEditorModel(this, GridStateRows, 4, Qt::AlignCenter,
                              {[this](int col, int row) { return CellText(col, row); },
                               [this](int col, int row) { return CanSelectCell(col, row); }});
    FGrid = new TEditorGrid(this);
    StatesGrid = FGrid;
    SetEditorGrid(FGrid);
    FHeader = new TGridHeader(StatesGrid);
    StatesGrid->setHorizontalHeader(FHeader);
    StatesGrid->setModel(FModel);
    StatesGrid->setItemDelegate(new TStateDelegate(*this, StatesGrid));
    StatesGrid->verticalHeader()->hide();
    StatesGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    StatesGrid->setSelectionBehavior(QAbstractItemView::SelectItems);
    StatesGrid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                                QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    StatesGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StatesGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StatesGrid->setTabKeyNavigation(false);
    for (int c = 0; c < 4; ++c)
        StatesGrid->setColumnWidth(c, ColumnWidths[c]);
    StatesGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StatesGrid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    FHeader->SetRowHeight(std::max(HeaderHeight, fontMetrics().height() + 6));
    // The frame follows the current cell.
    connect(StatesGrid->selectionModel(), &QItemSelectionModel::currentChanged, StatesGrid->viewport(),
            qOverload<>(&QWidget::update));

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    for (QPushButton* b : {btnOK, btnCancel}) {
        NoDefaultButton(b);
        b->setFixedSize(80, 22);
    }
    connect(btnOK, &QPushButton::clicked, this, GuardedSlot(this, &QDialog::accept));
    connect(btnCancel, &QPushButton::clicked, this, GuardedSlot(this, &QDialog::reject));
    connect(edSystemName, &QLineEdit::textChanged, this, [this](const QString& text) { WorkingCopy.Name = text; });

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(btnOK);
    bottom->addWidget(btnCancel);
    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(8, 6, 8, 4);
    main->setSpacing(2);
    main->addWidget(lSystemName);
    main->addWidget(edSystemName);
    main->addSpacing(6);
    main->addWidget(lHeader);
    main->addWidget(StatesGrid, 1);
    main->addSpacing(4);
    main->addLayout(bottom);

    edSystemName->setFixedWidth(331);
    FitGridHeight();
}

TfmBetSystemEditor::~TfmBetSystemEditor() = default;

void TfmBetSystemEditor::Open(const TBetDescription* system, const QStringList& names) {
    if (system != nullptr)
        WorkingCopy.Assign(*system);
    // A system without states (a hand-made file) gets state 0 back: without it no cell could be chosen.
    if (WorkingCopy.StateCount < 1)
        WorkingCopy.StateCount = 1;
    FOpened = WorkingCopy;
    OpenNames(system != nullptr ? &system->Name : nullptr, names, *edSystemName);
}

void TfmBetSystemEditor::FormShow() {
    edSystemName->setText(WorkingCopy.Name);
    StatesGrid->setCurrentIndex(FModel->index(0, 1));
    const TPreferences& prefs = GetPreferences();
    setWindowTitle(prefs.GetWindowCaption(SystemSection));
    ApplyFont(*this);
    lHeader = MakeHeaderBar(lHeader, HeaderHeight + 3);
    lSystemName->setText(prefs.GetText(SystemSection, QStringLiteral("SystemName")));
    lHeader->setText(prefs.GetText(SystemSection, QStringLiteral("HeaderStates")));
    const QString keys[4] = {QStringLiteral("State"), QStringLiteral("BetSize"), QStringLiteral("WinState"),
                             QStringLiteral("LossState")};
    for (int c = 0; c < 4; ++c) {
        FColumnTitles[c] = prefs.GetText(SystemSection, keys[c]);
        // Titles wrap at spaces, so a column is at least as wide as the longest word of its title.
        int widest = 0;
        for (const QString& word : FColumnTitles[c].split(QLatin1Char(' ')))
            widest = std::max(widest, FHeader->fontMetrics().horizontalAdvance(word));
        StatesGrid->setColumnWidth(c, std::max(ColumnWidths[c], widest + 8));
    }
    btnOK->setText(prefs.GetButtonText(QStringLiteral("OK")));
    btnCancel->setText(prefs.GetButtonText(QStringLiteral("Cancel")));
    FModel->Refresh();
    FitTitleRow();
}

void TfmBetSystemEditor::FitTitleRow() {
    const int current = FHeader->RowHeight();
    const int h = std::max(FHeader->WrappedTitleHeight(), current);
    if (h > current)
        FHeader->SetRowHeight(h);
    FitGridHeight();
    setFixedSize(sizeHint());
}

void TfmBetSystemEditor::FitGridHeight() {
    const int rows = StatesGrid->verticalHeader()->defaultSectionSize() * GridStateRows;
    int width = 2 * StatesGrid->frameWidth();
    for (int c = 0; c < 4; ++c)
        width += StatesGrid->columnWidth(c);
    StatesGrid->setFixedSize(width, FHeader->RowHeight() + rows + 2 * StatesGrid->frameWidth());
}

int TfmBetSystemEditor::TitleRowHeight() const {
    return FHeader->RowHeight();
}

QString TfmBetSystemEditor::CellText(int col, int row) const {
    if (row == 0)
        return col >= 0 && col < 4 ? FColumnTitles[col] : QString();
    const int state = row - 1;
    if (state < 0 || state >= WorkingCopy.StateCount)
        return {};
    switch (col) {
    case 0:
        return QString::number(state);
    case 1:
        return QString::number(WorkingCopy.Bet(state));
    case 2:
        return QString::number(WorkingCopy.WinState(state));
    case 3:
        return QString::number(WorkingCopy.LossState(state));
    default:
        return {};
    }
}

void TfmBetSystemEditor::StatesGridSetEditText(int col, int row, const QString& text) {
    const int state = row - 1;
    const QString t = text.trimmed();
    const std::optional<int32_t> parsed = ParseInteger(t);
    // Text that is no number, or a state that cannot exist, is refused: read as another value it would change the
    // system without a word.
    if (col >= 2 && (!parsed || *parsed < 0 || *parsed >= TBetDescription::MaxStates)) {
        FRefusal.Show(MessageText(
            &GetPreferences(), QStringLiteral("SuccessorRange"),
            QStringLiteral("The state after a win or a loss is a whole number from 0 to %d. The cell keeps its value."),
            {TBetDescription::MaxStates - 1}));
        return;
    }
    if (col == 1 && !parsed) {
        FRefusal.Show(GetPreferences().GetMessageText(QStringLiteral("BetRange")));
        return;
    }
    const int32_t v = *parsed;
    // A successor past the next new state adds states that only this one names; said first, as OK then prunes
    // and renumbers them.
    if (col >= 2 && v > WorkingCopy.StateCount &&
        !ConfirmBox(this, MessageText(&GetPreferences(), QStringLiteral("SuccessorAddsStates"), SuccessorAddsStates,
                                      {v, WorkingCopy.StateCount, v})))
        return;
    if (col == 1)
        WorkingCopy.SetBet(state, v);
    else if (col == 2)
        WorkingCopy.SetWinState(state, v);
    else if (col == 3)
        WorkingCopy.SetLossState(state, v);
    FModel->Refresh();
    StatesGrid->viewport()->update();
}

int TfmBetSystemEditor::FramedRow() const {
    const QModelIndex current = StatesGrid->currentIndex();
    if (!current.isValid() || current.column() < 2 || current.row() >= WorkingCopy.StateCount)
        return -1;
    const int state = current.row();
    const int t = current.column() == 2 ? WorkingCopy.WinState(state) : WorkingCopy.LossState(state);
    return t + 1;
}

bool TfmBetSystemEditor::Changed() const {
    if (FGrid->Editing() || WorkingCopy.Name != FOpened.Name || WorkingCopy.StateCount != FOpened.StateCount)
        return true;
    for (int i = 0; i < WorkingCopy.StateCount; ++i)
        if (WorkingCopy.Bet(i) != FOpened.Bet(i) || WorkingCopy.WinState(i) != FOpened.WinState(i) ||
            WorkingCopy.LossState(i) != FOpened.LossState(i))
            return true;
    return false;
}

bool EditSystem(const TBetDescription& system, const QStringList& names, TBetDescription& edited, QWidget* parent) {
    return RunEditorOn<TfmBetSystemEditor>(system, names, edited, parent);
}

std::unique_ptr<TBetDescription> NewSystem(const QStringList& names, QWidget* parent) {
    return RunEditor<TfmBetSystemEditor, TBetDescription>(nullptr, names, parent);
}

} // namespace wl
