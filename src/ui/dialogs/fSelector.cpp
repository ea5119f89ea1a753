// The game and system selector.
#include "ui/dialogs/fSelector.h"

#include "charts/ChartController.h"
#include "engine/GameCalculator.h"
#include "model/Storage.h"
#include "preferences/Preferences.h"
#include "support/Exception.h"
#include "ui/dialogs/DialogTools.h"
#include "ui/widgets/Guard.h"
#include "ui/widgets/HelpContext.h"
#include "ui/widgets/Looks.h"

#include <QBoxLayout>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>

#include <memory>

namespace wl {

namespace {

const QString SelectorSection = QStringLiteral("SelectGameWindow");
const QString GamePositionSection = QStringLiteral("SelectedGame");
const QString SystemPositionSection = QStringLiteral("SelectedBet");
constexpr int ClientWidth = 592;
constexpr int ClientHeight = 400;
constexpr int LeftColumnWidth = 287;
constexpr int ColumnGap = 10;
constexpr int HeaderHeight = 23;
constexpr int ListButtonWidth = 93;

int TopRow(const QListWidget& box) {
    const QModelIndex top = box.indexAt(QPoint(1, 1));
    return top.isValid() ? top.row() : 0;
}

void RestorePosition(QListWidget& box, const QString& section) {
    int index = box.currentRow();
    int top = TopRow(box);
    GetPreferences().RestoreListPosition(section, box.count(), index, top);
    if (index >= 0 && index < box.count())
        box.setCurrentRow(index);
    if (top >= 0 && top < box.count())
        box.scrollToItem(box.item(top), QAbstractItemView::PositionAtTop);
}

void SavePosition(const QListWidget& box, const QString& section) {
    const int index = box.selectedItems().isEmpty() ? -1 : box.currentRow();
    GetPreferences().SaveListPosition(section, index, TopRow(box));
}

// Rebuilds a list from the model's keys; keeps the selected row when it still exists, else the first.
template <typename TList> void FillList(QListWidget& box, const TList& list) {
    box.setUpdatesEnabled(false);
    const auto resume = qScopeGuard([&box] { box.setUpdatesEnabled(true); });
    const int s = box.currentRow();
    box.clear();
    for (int i = 0; i < list.Count(); ++i)
        box.addItem(QStringLiteral(" ") + list.Item(i)->Name);
    if (s >= 0 && s < list.Count())
        box.setCurrentRow(s);
    else if (list.Count() > 0)
        box.setCurrentRow(0);
}

// How many series of the chart play description (a game or a system); they go with it.
int SeriesUsing(const TChartController& controller, const void* description) {
    int count = 0;
    for (int i = 0; i < controller.SeriesCount(); ++i) {
        const TGameCalculator& calculator = controller.GetCalculator(i);
        if (calculator.Game == description || calculator.BetSystem == description)
            ++count;
    }
    return count;
}

// The confirmation, with a warning naming how many series are removed too when the entry is in use.
QString DeleteQuestion(const QString& key, const QString& english, const QString& name, int seriesInUse) {
    const QString question = MessageText(&GetPreferences(), key, english, {name});
    if (seriesInUse == 0)
        return question;
    const QString warning = MessageText(&GetPreferences(), QStringLiteral("SeriesInUse"),
                                        QStringLiteral("Series of the chart removed with it: %d."), {seriesInUse});
    const QString gap = question.isEmpty() || warning.isEmpty() ? QString() : QStringLiteral("\n\n");
    return question + gap + warning;
}

// After a deletion: the row that took the deleted one's place, else the new last row, else none.
void SelectAfterDelete(QListWidget& box, int deletedRow) {
    if (deletedRow < box.count())
        box.setCurrentRow(deletedRow);
    else if (box.count() > 0)
        box.setCurrentRow(box.count() - 1);
}

QPushButton* MakeButton(const QString& text, QWidget* parent, int width, int height) {
    auto* b = new QPushButton(text, parent);
    NoDefaultButton(b);
    b->setFixedSize(width, height);
    return b;
}

} // namespace

TfmSelector::TfmSelector(TChartController& controller, QWidget* parent) : QDialog(parent), FController(controller) {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QStringLiteral("Select game and system for chart"));
    SetHelpContext(this, SelectorHelpContext);
    UseFormFont(*this);

    lGameHeader = new QLabel(QStringLiteral("GAME / BET"), this);
    lBetHeader = new QLabel(QStringLiteral("MONEY MANAGEMENT"), this);
    lbGames = new QListWidget(this);
    lbSystems = new QListWidget(this);
    for (QListWidget* box : {lbGames, lbSystems}) {
        box->setSelectionMode(QAbstractItemView::SingleSelection);
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
    btnGameAdd = MakeButton(QStringLiteral("Add"), this, ListButtonWidth, 24);
    btnGameDelete = MakeButton(QStringLiteral("Del"), this, ListButtonWidth, 24);
    btnGameEdit = MakeButton(QStringLiteral("Edit"), this, ListButtonWidth, 24);
    btnSystemAdd = MakeButton(QStringLiteral("Add"), this, ListButtonWidth, 24);
    btnSystemDel = MakeButton(QStringLiteral("Del"), this, ListButtonWidth, 24);
    btnSystemEdit = MakeButton(QStringLiteral("Edit"), this, ListButtonWidth, 24);
    btnOK = MakeButton(QStringLiteral("OK"), this, 80, 22);
    btnCancel = MakeButton(QStringLiteral("Cancel"), this, 80, 22);

    connect(btnGameAdd, &QPushButton::clicked, this, GuardedSlot(this, &TfmSelector::btnGameAddClick));
    connect(btnGameDelete, &QPushButton::clicked, this, GuardedSlot(this, &TfmSelector::btnGameDeleteClick));
    connect(btnGameEdit, &QPushButton::clicked, this, GuardedSlot(this, &TfmSelector::btnGameEditClick));
    connect(btnSystemAdd, &QPushButton::clicked, this, GuardedSlot(this, &TfmSelector::btnSystemAddClick));
    connect(btnSystemDel, &QPushButton::clicked, this, GuardedSlot(this, &TfmSelector::btnSystemDelClick));
    connect(btnSystemEdit, &QPushButton::clicked, this, GuardedSlot(this, &TfmSelector::btnSystemEditClick));
    connect(lbGames, &QListWidget::itemDoubleClicked, this, GuardedSlot(this, &TfmSelector::btnGameEditClick));
    connect(lbSystems, &QListWidget::itemDoubleClicked, this, GuardedSlot(this, &TfmSelector::btnSystemEditClick));
    connect(lbGames, &QListWidget::itemSelectionChanged, this, GuardedSlot(this, &TfmSelector::UpdateButtons));
    connect(lbSystems, &QListWidget::itemSelectionChanged, this, GuardedSlot(this, &TfmSelector::UpdateButtons));
    connect(btnOK, &QPushButton::clicked, this, GuardedSlot(this, &QDialog::accept));
    connect(btnCancel, &QPushButton::clicked, this, GuardedSlot(this, &QDialog::reject));

    auto column = [](QLabel* header, QListWidget* box, QPushButton* add, QPushButton* del, QPushButton* edit) {
        auto* buttons = new QHBoxLayout;
        buttons->setContentsMargins(0, 3, 0, 3);
        buttons->addWidget(add);
        buttons->addWidget(del);
        buttons->addWidget(edit);
        buttons->addStretch(1);
        auto* layout = new QVBoxLayout;
        layout->setSpacing(0);
        layout->addWidget(header);
        layout->addWidget(box, 1);
        layout->addLayout(buttons);
        return layout;
    };
    auto* columns = new QHBoxLayout;
    columns->setSpacing(ColumnGap);
    columns->addLayout(column(lGameHeader, lbGames, btnGameAdd, btnGameDelete, btnGameEdit));
    columns->addLayout(column(lBetHeader, lbSystems, btnSystemAdd, btnSystemDel, btnSystemEdit), 1);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(0, 6, 4, 6);
    bottom->addStretch(1);
    bottom->addWidget(btnOK);
    bottom->addWidget(btnCancel);
    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(4, 4, 4, 0);
    main->setSpacing(0);
    main->addLayout(columns, 1);
    main->addWidget(line);
    main->addLayout(bottom);

    lGameHeader->setFixedHeight(HeaderHeight);
    lBetHeader->setFixedHeight(HeaderHeight);
    lbGames->setFixedWidth(LeftColumnWidth);
    lGameHeader->setFixedWidth(LeftColumnWidth);
    setFixedSize(ClientWidth, ClientHeight);
    UpdateButtons();
}

TfmSelector::~TfmSelector() {
    SavePosition(*lbGames, GamePositionSection);
    SavePosition(*lbSystems, SystemPositionSection);
}

TGameDescription* TfmSelector::GetSelectedGame() const {
    const int row = lbGames->currentRow();
    const auto& games = *FController.Storage().Games;
    return row >= 0 && row < games.Count() && !lbGames->selectedItems().isEmpty() ? games.Item(row) : nullptr;
}

TBetDescription* TfmSelector::GetSelectedSystem() const {
    const int row = lbSystems->currentRow();
    const auto& systems = *FController.Storage().Systems;
    return row >= 0 && row < systems.Count() && !lbSystems->selectedItems().isEmpty() ? systems.Item(row) : nullptr;
}

void TfmSelector::FillGames() {
    FillList(*lbGames, *FController.Storage().Games);
    UpdateButtons();
}

void TfmSelector::FillSystems() {
    FillList(*lbSystems, *FController.Storage().Systems);
    UpdateButtons();
}

void TfmSelector::showEvent(QShowEvent* event) {
    if (!FShown) {
        FShown = true;
        Guarded(this, [this] { ApplyLanguage(); });
    }
    QDialog::showEvent(event);
}

void TfmSelector::ApplyLanguage() {
    const TPreferences& prefs = GetPreferences();
    setWindowTitle(prefs.GetWindowCaption(SelectorSection));
    ApplyFont(*this);
    lGameHeader = MakeHeaderBar(lGameHeader, HeaderHeight);
    lBetHeader = MakeHeaderBar(lBetHeader, HeaderHeight);
    lGameHeader->setFixedWidth(LeftColumnWidth);
    RestorePosition(*lbGames, GamePositionSection);
    RestorePosition(*lbSystems, SystemPositionSection);
    btnOK->setText(prefs.GetButtonText(QStringLiteral("OK")));
    btnCancel->setText(prefs.GetButtonText(QStringLiteral("Cancel")));
    btnGameAdd->setText(prefs.GetButtonText(QStringLiteral("Add")));
    btnGameDelete->setText(prefs.GetButtonText(QStringLiteral("Delete")));
    btnGameEdit->setText(prefs.GetButtonText(QStringLiteral("Edit")));
    btnSystemAdd->setText(btnGameAdd->text());
    btnSystemDel->setText(btnGameDelete->text());
    btnSystemEdit->setText(btnGameEdit->text());
    lGameHeader->setText(prefs.GetText(SelectorSection, QStringLiteral("HeaderGames")));
    lBetHeader->setText(prefs.GetText(SelectorSection, QStringLiteral("HeaderSystems")));
    UpdateButtons();
}

void TfmSelector::UpdateButtons() {
    const bool haveGames = lbGames->count() > 0;
    const bool haveSystems = lbSystems->count() > 0;
    btnGameDelete->setEnabled(haveGames);
    btnGameEdit->setEnabled(haveGames);
    btnSystemDel->setEnabled(haveSystems);
    btnSystemEdit->setEnabled(haveSystems);
    // No series without both a game and a system.
    btnOK->setEnabled(GetSelectedGame() != nullptr && GetSelectedSystem() != nullptr);
}

void TfmSelector::btnGameAddClick() {
    TGameDescription* game = FController.CreateGame();
    if (game == nullptr)
        return;
    FillGames();
    lbGames->setCurrentRow(FController.Storage().Games->IndexOf(game));
}

void TfmSelector::btnSystemAddClick() {
    TBetDescription* system = FController.CreateSystem();
    if (system == nullptr)
        return;
    FillSystems();
    lbSystems->setCurrentRow(FController.Storage().Systems->IndexOf(system));
}

void TfmSelector::btnGameEditClick() {
    TGameDescription* game = GetSelectedGame();
    if (game == nullptr || !FController.ModifyGame(*game))
        return;
    FillGames();
    lbGames->setCurrentRow(FController.Storage().Games->IndexOf(game));
}

void TfmSelector::btnSystemEditClick() {
    TBetDescription* system = GetSelectedSystem();
    if (system == nullptr || !FController.ModifySystem(*system))
        return;
    FillSystems();
    lbSystems->setCurrentRow(FController.Storage().Systems->IndexOf(system));
}

void TfmSelector::btnGameDeleteClick() {
    const int i = GetSelectedGame() != nullptr ? lbGames->currentRow() : -1;
    if (i < 0)
        return;
    const TGameDescription* game = FController.Storage().Games->Item(i);
    const QString question = DeleteQuestion(QStringLiteral("DeleteGame"), QStringLiteral("Delete the game \"%s\"?"),
                                            game->Name, SeriesUsing(FController, game));
    if (!ConfirmBox(this, question))
        return;
    FController.DeleteGame(i);
    FillGames();
    SelectAfterDelete(*lbGames, i);
    UpdateButtons();
}

void TfmSelector::btnSystemDelClick() {
    const int i = GetSelectedSystem() != nullptr ? lbSystems->currentRow() : -1;
    if (i < 0)
        return;
    const TBetDescription* system = FController.Storage().Systems->Item(i);
    const QString question =
        DeleteQuestion(QStringLiteral("DeleteSystem"), QStringLiteral("Delete the betting system \"%s\"?"),
                       system->Name, SeriesUsing(FController, system));
    if (!ConfirmBox(this, question))
        return;
    FController.DeleteSystem(i);
    FillSystems();
    SelectAfterDelete(*lbSystems, i);
    UpdateButtons();
}

bool SelectGameAndSystem(TChartController& controller, QWidget* parent) {
    auto form = std::make_unique<TfmSelector>(controller, parent);
    form->FillGames();
    form->FillSystems();
    if (form->exec() != QDialog::Accepted)
        return false;
    TBetDescription* system = form->GetSelectedSystem();
    TGameDescription* game = form->GetSelectedGame();
    if (game == nullptr || system == nullptr)
        return false;
    return controller.AddSeries(*game, *system);
}

} // namespace wl
