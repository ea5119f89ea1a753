// The game editor.
#include "ui/dialogs/fGameEditor.h"

#include "preferences/Preferences.h"
#include "support/Exception.h"
#include "support/Numbers.h"
#include "ui/dialogs/DialogTools.h"
#include "ui/dialogs/EditorGrid.h"
#include "ui/widgets/Guard.h"
#include "ui/widgets/HelpContext.h"
#include "ui/widgets/Looks.h"
#include "ui/widgets/QuickEdit.h"

#include <QAbstractTableModel>
#include <QBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>

#include <algorithm>
#include <cmath>
#include <limits>

namespace wl {

namespace {

const QString GameSection = QStringLiteral("GameEditorWindow");
constexpr int InfoItemHeight = 19;
constexpr int InfoGap = 10; // between a figure's name and its value
constexpr int HeaderHeight = 23;
constexpr int ResultColumnWidth = 74;
constexpr int ProbabilityColumnWidth = 115;
constexpr int RightPartWidth = 221;
constexpr int CellTextInset = 5;

// What may be typed into an outcome cell: no letters, so no exponent; Backspace is refused too.
bool IsAllowedCharacter(QChar c) {
    return c == u'\t' || c == u'\n' || c == u'\r' || c == u'+' || c == u'-' || c == u'.' || (c >= u'0' && c <= u'9');
}

bool CellKeyAllowed(const QKeyEvent& event) {
    if (event.key() == Qt::Key_Delete)
        return true;
    if (event.key() == Qt::Key_Backspace)
        return false;
    const QString text = event.text();
    for (const QChar c : text) {
        if (!IsAllowedCharacter(c))
            return false;
    }
    return true;
}

// An optional sign and decimal digits: a whole number, whether or not it fits 32 bits.
bool IsWholeNumber(const QString& t) {
    const qsizetype start = !t.isEmpty() && (t[0] == u'+' || t[0] == u'-') ? 1 : 0;
    if (start == t.size())
        return false;
    for (qsizetype i = start; i < t.size(); ++i)
        if (t[i] < u'0' || t[i] > u'9')
            return false;
    return true;
}

// Results lie in -2147483647..2147483647, so that every loss is a 32-bit number too. Text that is no whole number
// at all still reads as 0.
bool ResultFits(const QString& t, std::optional<int32_t> value) {
    if (value)
        return *value != std::numeric_limits<int32_t>::min();
    return !IsWholeNumber(t);
}

QString PadLeft(const QString& text, int width) {
    return text.size() >= width ? text : QString(width - text.size(), u' ') + text;
}

} // namespace

// The in-place editor of an outcome cell: the typing filter, and Insert while editing.
class TOutcomeCellEdit : public QLineEdit {
public:
    TOutcomeCellEdit(TfmGameEditor& form, QWidget* parent) : QLineEdit(parent), FForm(form) {}

    QString StartText;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (!CellKeyAllowed(*event)) {
            event->accept();
            return;
        }
        QLineEdit::keyPressEvent(event);
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Insert && !event->isAutoRepeat()) {
            event->accept();
            Guarded(&FForm, [this] { FForm.InsertCurrentOutcome(); });
            return;
        }
        QLineEdit::keyReleaseEvent(event);
    }

private:
    TfmGameEditor& FForm;
};

class TOutcomeDelegate : public QStyledItemDelegate {
public:
    TOutcomeDelegate(TfmGameEditor& form, QObject* parent) : QStyledItemDelegate(parent), FForm(form) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const override {
        auto* edit = new TOutcomeCellEdit(FForm, parent); // owned by the view, which deletes it on close
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        edit->setFrame(false);
        return edit;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* edit = static_cast<TOutcomeCellEdit*>(editor);
        edit->StartText = FForm.CellText(index.column(), index.row() + 1);
        edit->setText(edit->StartText);
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
        auto* edit = static_cast<TOutcomeCellEdit*>(editor);
        // An untouched cell keeps its stored value: its 8-decimal text would round it.
        if (edit->text() != edit->StartText)
            Guarded(&FForm, [&] { FForm.OutcomesGridSetEditText(index.column(), index.row() + 1, edit->text()); });
        edit->StartText = edit->text();
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        const QWidget* widget = opt.widget;
        QStyle* style = widget != nullptr ? widget->style() : nullptr;
        if (style != nullptr)
            style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        const bool selected = (opt.state & QStyle::State_Selected) != 0;
        painter->save();
        painter->setPen(opt.palette.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text));
        const QRect textRect = opt.rect.adjusted(0, 0, -CellTextInset, 0);
        // A number wider than its cell keeps its sign and its last digits.
        const QString shown = painter->fontMetrics().elidedText(text, Qt::ElideMiddle, textRect.width());
        painter->drawText(textRect, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        painter->restore();
    }

private:
    TfmGameEditor& FForm;
};

// The outcomes grid: letters never start an edit, and Delete and Insert act on the current outcome.
class TOutcomesGrid : public TEditorGrid {
public:
    TOutcomesGrid(TfmGameEditor& form, QWidget* parent) : TEditorGrid(parent), FForm(form) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const QString text = event->text();
        if (!text.isEmpty() && text.at(0).isPrint() && !CellKeyAllowed(*event)) {
            event->accept();
            return;
        }
        TEditorGrid::keyPressEvent(event);
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        if (!event->isAutoRepeat() && !Editing()) {
            if (event->key() == Qt::Key_Delete) {
                event->accept();
                Guarded(&FForm, [this] { FForm.DeleteCurrentOutcome(); });
                return;
            }
            if (event->key() == Qt::Key_Insert) {
                event->accept();
                Guarded(&FForm, [this] { FForm.InsertCurrentOutcome(); });
                return;
            }
        }
        TEditorGrid::keyReleaseEvent(event);
    }

private:
    TfmGameEditor& FForm;
};

namespace {

class TInfoDelegate : public QStyledItemDelegate {
public:
    TInfoDelegate(TfmGameEditor& form, QObject* parent) : QStyledItemDelegate(parent), FForm(form) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), InfoItemHeight};
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem opt(option);
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        if (const QWidget* widget = opt.widget)
            widget->style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
        const int k = index.row();
        const QRect r = opt.rect.adjusted(CellTextInset, 0, -CellTextInset, 0);
        // The value is drawn whole; a name too long for what is left gives way.
        const QString value = FForm.InfoValueText(k);
        const QFontMetrics fm(opt.font);
        const int nameWidth = r.width() - fm.horizontalAdvance(value) - InfoGap;
        painter->save();
        painter->setPen(FForm.InfoItemColor(k, (opt.state & QStyle::State_Selected) != 0));
        painter->drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          fm.elidedText(text, Qt::ElideRight, std::max(nameWidth, 0)));
        painter->drawText(r, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, value);
        painter->restore();
    }

private:
    TfmGameEditor& FForm;
};

} // namespace

TfmGameEditor::TfmGameEditor(QWidget* parent)
    : TEditorForm(parent, QStringLiteral("Game Editor"), GameEditorHelpContext) {
    lGameName = new QLabel(QStringLiteral("Game / Bet name"), this);
    edName = new QLineEdit(this);
    lGameName->setBuddy(edName);
    lInfoHeader = new QLabel(QStringLiteral("INFO"), this);
    lTableHeader = new QLabel(QStringLiteral("TABLE OF OUTCOMES"), this);

    lbInfo = new QListWidget(this);
    lbInfo->setItemDelegate(new TInfoDelegate(*this, lbInfo));
    lbInfo->setUniformItemSizes(true);
    lbInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lbInfo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QStringList designedInfo = {
        QStringLiteral("Expected Return"),  QStringLiteral("Expected Result"),
        QStringLiteral("Std Deviance"),     QStringLiteral("Variance"),
        QStringLiteral("Win Probability"),  QStringLiteral("Draw Probability"),
        QStringLiteral("Loss Probability"), QStringLiteral("Sum of outcome probabilities")};
    lbInfo->addItems(designedInfo);

    FModel = new TEditorModel(
        this, GridOutcomeRows, 2, Qt::AlignRight | Qt::AlignVCenter,
        {[this](int col, int row) { return CellText(col, row); }, [this](int, int row) { return CanSelectRow(row); }});
    FGrid = new TOutcomesGrid(*this, this);
    OutcomesGrid = FGrid;
    SetEditorGrid(FGrid);
    FGrid->setHorizontalHeader(new TGridHeader(FGrid));
    FGrid->setModel(FModel);
    FGrid->setItemDelegate(new TOutcomeDelegate(*this, FGrid));
    FGrid->verticalHeader()->hide();
    FGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    FGrid->setSelectionBehavior(QAbstractItemView::SelectItems);
    FGrid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                           QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    FGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    FGrid->setTabKeyNavigation(false);
    FGrid->setColumnWidth(0, ResultColumnWidth);
    FGrid->setColumnWidth(1, ProbabilityColumnWidth);
    FGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    FGrid->verticalHeader()->setDefaultSectionSize(std::max(InfoItemHeight, fontMetrics().height() + 6));

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    for (QPushButton* b : {btnOK, btnCancel}) {
        NoDefaultButton(b);
        b->setFixedSize(80, 22);
    }
    connect(btnOK, &QPushButton::clicked, this, GuardedSlot(this, &QDialog::accept));
    connect(btnCancel, &QPushButton::clicked, this, GuardedSlot(this, &QDialog::reject));
    connect(edName, &QLineEdit::textChanged, this, [this](const QString& text) { WorkingCopy.Name = text; });

    auto* top = new QVBoxLayout;
    top->setSpacing(2);
    top->addWidget(lGameName);
    top->addWidget(edName);
    auto* left = new QVBoxLayout;
    left->setSpacing(0);
    left->addWidget(lInfoHeader);
    left->addWidget(lbInfo);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->setSpacing(0);
    right->addWidget(lTableHeader);
    right->addWidget(FGrid, 1);
    auto* middle = new QHBoxLayout;
    middle->setSpacing(3);
    middle->addLayout(left, 1);
    middle->addLayout(right);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(btnOK);
    bottom->addWidget(btnCancel);
    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(3, 3, 3, 3);
    main->setSpacing(4);
    main->addLayout(top);
    main->addLayout(middle, 1);
    main->addLayout(bottom);

    // Whole figure items only, and room for the two columns beside the scroll bar.
    const int listFrame = 2 * lbInfo->frameWidth();
    lbInfo->setFixedHeight(8 * InfoItemHeight + listFrame);
    lbInfo->setMinimumWidth(445 - 6 - 3 - RightPartWidth);
    const int gridWidth = ResultColumnWidth + ProbabilityColumnWidth +
                          FGrid->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 2 * FGrid->frameWidth();
    FGrid->setFixedWidth(std::max(gridWidth, RightPartWidth));
    FGrid->setMinimumHeight(lbInfo->height());
    lTableHeader->setFixedWidth(FGrid->width());
    edName->setMinimumWidth(433);
}

TfmGameEditor::~TfmGameEditor() = default;

void TfmGameEditor::Open(const TGameDescription* game, const QStringList& names) {
    if (game != nullptr)
        WorkingCopy.Assign(*game);
    // A negative count from a hand-made file means no outcomes; left as it is, no row could ever be typed into.
    WorkingCopy.OutcomeCount = std::max(WorkingCopy.OutcomeCount, 0);
    FOpened = WorkingCopy;
    OpenNames(game != nullptr ? &game->Name : nullptr, names, *edName);
}

void TfmGameEditor::FormShow() {
    edName->setText(WorkingCopy.Name);
    const TPreferences& prefs = GetPreferences();
    setWindowTitle(prefs.GetWindowCaption(GameSection));
    ApplyFont(*this);
    lInfoHeader = MakeHeaderBar(lInfoHeader, HeaderHeight);
    lTableHeader = MakeHeaderBar(lTableHeader, HeaderHeight);
    lGameName->setText(prefs.GetText(GameSection, QStringLiteral("GameName")));
    lInfoHeader->setText(prefs.GetText(GameSection, QStringLiteral("HeaderInfo")));
    lTableHeader->setText(prefs.GetText(GameSection, QStringLiteral("HeaderTable")));
    lbInfo->clear();
    int widestName = 0;
    for (int k = 0; k < 8; ++k) {
        lbInfo->addItem(prefs.GetText(GameSection, QStringLiteral("Info") + QString::number(k)));
        widestName = std::max(widestName, lbInfo->fontMetrics().horizontalAdvance(lbInfo->item(k)->text()));
    }
    // Each name and its value share a line: a long name must not run into a value of several whole digits.
    const int widestValue = lbInfo->fontMetrics().horizontalAdvance(QStringLiteral("-99999.99999999"));
    lbInfo->setMinimumWidth(std::max(lbInfo->minimumWidth(), widestName + widestValue + 2 * CellTextInset + InfoGap +
                                                                 2 * lbInfo->frameWidth()));
    FColumnTitles[0] = prefs.GetText(GameSection, QStringLiteral("Outcomes"));
    FColumnTitles[1] = prefs.GetText(GameSection, QStringLiteral("Probability"));
    btnOK->setText(prefs.GetButtonText(QStringLiteral("OK")));
    btnCancel->setText(prefs.GetButtonText(QStringLiteral("Cancel")));
    FModel->Refresh();
    // A title that wraps needs a taller title row, or its second line is cut.
    auto* header = static_cast<TGridHeader*>(FGrid->horizontalHeader());
    header->SetRowHeight(std::max(header->fontMetrics().height() + 6, header->WrappedTitleHeight()));
    FGrid->setCurrentIndex(FModel->index(0, 0));
    // The nested layouts still hold the sizes from before the texts: without this the dialog keeps its designed
    // width and the grid covers the figures' values.
    layout()->activate();
    setFixedSize(sizeHint());
}

QString TfmGameEditor::CellText(int col, int row) const {
    if (row == 0)
        return col >= 0 && col < 2 ? FColumnTitles[col] : QString();
    if (row < 1 || row > WorkingCopy.OutcomeCount)
        return {};
    if (col == 0)
        return QString::number(WorkingCopy.Result(row - 1));
    return PadLeft(FormatFixed(WorkingCopy.Probability(row - 1), 8), 10);
}

void TfmGameEditor::OutcomesGridSetEditText(int col, int row, const QString& text) {
    const int slot = row - 1;
    const QString t = text.trimmed();
    if (col == 0) {
        const std::optional<int32_t> value = ParseInteger(t);
        if (!ResultFits(t, value)) {
            RefuseResult();
            return;
        }
        WorkingCopy.SetResult(slot, value.value_or(0));
    } else
        WorkingCopy.SetProbability(slot, ParseReal(t).value_or(0.0));
    if (slot == WorkingCopy.OutcomeCount)
        WorkingCopy.OutcomeCount = row;
    RefreshOutcomes();
}

void TfmGameEditor::RefuseResult() {
    // Shown once the cell has closed: a box opened while the cell stores takes its focus, which stores it again.
    if (FRefusalPending)
        return;
    FRefusalPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            const QPointer<TfmGameEditor> alive(this);
            InformationBox(this, GetPreferences().GetMessageText(QStringLiteral("ResultRange")));
            if (alive)
                FRefusalPending = false;
        },
        Qt::QueuedConnection);
}

int TfmGameEditor::CurrentOutcome() const {
    const QModelIndex current = FGrid->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TfmGameEditor::DeleteCurrentOutcome() {
    const int i = CurrentOutcome();
    if (i < 0 || i >= WorkingCopy.OutcomeCount || FGrid->Editing())
        return;
    if (!ConfirmBox(this, GetPreferences().GetMessageText(QStringLiteral("DeleteOutcome"))))
        return;
    WorkingCopy.DeleteOutcome(i);
    RefreshOutcomes();
}

void TfmGameEditor::InsertCurrentOutcome() {
    const int i = CurrentOutcome();
    if (i < 0 || i >= WorkingCopy.OutcomeCount)
        return;
    // Keep what is being typed with the outcome it was typed for, which moves down.
    FGrid->CommitEdit();
    if (WorkingCopy.OutcomeCount >= TGameDescription::MaxOutcomes) {
        InformationBox(this,
                       MessageText(&GetPreferences(), QStringLiteral("TooManyOutcomes"),
                                   QStringLiteral("A game has at most %d outcomes."), {TGameDescription::MaxOutcomes}));
        return;
    }
    WorkingCopy.InsertOutcome(i);
    RefreshOutcomes();
    FGrid->scrollTo(FGrid->currentIndex());
}

void TfmGameEditor::RefreshOutcomes() {
    FModel->Refresh();
    FGrid->viewport()->update();
    lbInfo->viewport()->update();
}

bool TfmGameEditor::SumOk() const {
    const double sum = std::round(WorkingCopy.ProbabilitySum() * 10000000.0) / 10000000.0;
    return sum == 1.0 || sum == 100.0;
}

QString TfmGameEditor::InfoValueText(int k) const {
    return PadLeft(FormatFixed(WorkingCopy.Info(k), 8), 10);
}

QColor TfmGameEditor::InfoItemColor(int k, bool selected) const {
    if (!SumOk())
        return k == 7 ? QColor(Qt::red) : lbInfo->palette().color(QPalette::Disabled, QPalette::Text);
    return lbInfo->palette().color(selected ? QPalette::HighlightedText : QPalette::Text);
}

bool TfmGameEditor::Changed() const {
    if (FGrid->Editing() || WorkingCopy.Name != FOpened.Name || WorkingCopy.OutcomeCount != FOpened.OutcomeCount)
        return true;
    for (int i = 0; i < WorkingCopy.OutcomeCount; ++i)
        if (WorkingCopy.Result(i) != FOpened.Result(i) || WorkingCopy.Probability(i) != FOpened.Probability(i))
            return true;
    return false;
}

bool EditGame(const TGameDescription& game, const QStringList& names, TGameDescription& edited, QWidget* parent) {
    return RunEditorOn<TfmGameEditor>(game, names, edited, parent);
}

std::unique_ptr<TGameDescription> NewGame(const QStringList& names, QWidget* parent) {
    return RunEditor<TfmGameEditor, TGameDescription>(nullptr, names, parent);
}

} // namespace wl
