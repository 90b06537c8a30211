#include "ServerFileDialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QTreeView>
#include <algorithm>

#include "BackupPreviewPane.h"
#include "DetachedJob.h"
#include "OverwriteQuestion.h"
#include "ServerEntryModel.h"
#include "common/OperatorTexts.h"
#include "operations/BackupPreview.h"
#include "operations/HelperConnection.h"
#include "operations/ServerPaths.h"

namespace {

constexpr int kWidth = 680;
constexpr int kHeight = 440;
constexpr int kNameColumnWidth = 330;
constexpr int kSizeColumnWidth = 120;

}  // namespace

ServerFileDialog::ServerFileDialog(std::shared_ptr<HelperConnection> helper, const QString& filter,
                                   FileDialogMode mode, const QString& lastFileName,
                                   QWidget* parent, std::optional<BackupCheck> check)
    : QDialog(parent),
      helper_(std::move(helper)),
      browser_(filter, mode, lastFileName),
      check_(std::move(check)) {
    buildControls(browser_.description(), mode);
    fileName_->setText(browser_.offeredName());
    fileName_->selectAll();
    fileName_->setFocus();
    read(std::nullopt);
}

ServerFileDialog::~ServerFileDialog() = default;

void ServerFileDialog::buildControls(const QString& description, FileDialogMode mode) {
    const bool save = mode == FileDialogMode::Save;
    setWindowTitle(save ? texts::kServerFilesSaveTitle : texts::kServerFilesOpenTitle);
    resize(kWidth, kHeight);
    buildLocation();
    buildEntryList();
    buildAnswerFields(description);
    QDialogButtonBox* buttons = buildButtons(save);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(texts::kServerFilesWhose, this), 0, 0, 1, 3);
    grid->addWidget(new QLabel(texts::kServerFolderLabel, this), 1, 0);
    grid->addWidget(location_, 1, 1);
    grid->addWidget(up_, 1, 2);
    grid->addWidget(view_, 2, 0, 1, 3);
    grid->addWidget(notice_, 3, 0, 1, 3);
    grid->addWidget(new QLabel(texts::kServerFileNameLabel, this), 4, 0);
    grid->addWidget(fileName_, 4, 1, 1, 2);
    grid->addWidget(new QLabel(texts::kServerFileTypeLabel, this), 5, 0);
    grid->addWidget(fileType_, 5, 1, 1, 2);
    grid->addWidget(buttons, 6, 0, 1, 3);
    setTabOrder(fileName_, fileType_);
    if (check_ && check_->use != BackupUse::BackUp) {
        preview_ = new BackupPreviewPane(helper_, *check_, this);
        grid->addWidget(preview_, 1, 3, 5, 1);
        resize(kWidth + preview_->width(), kHeight);
    }
}

void ServerFileDialog::buildLocation() {
    location_ = new QLineEdit(this);
    location_->setObjectName(QStringLiteral("serverLocation"));
    location_->setPlaceholderText(texts::kServerDrives);
    up_ = new QToolButton(this);
    up_->setObjectName(QStringLiteral("serverUp"));
    up_->setText(texts::kServerFolderUp);
    up_->setToolTip(texts::kServerFolderUpTip);
    connect(location_, &QLineEdit::returnPressed, this, [this] { read(location_->text()); });
    connect(up_, &QToolButton::clicked, this, &ServerFileDialog::goUp);
}

void ServerFileDialog::buildEntryList() {
    entries_ = new ServerEntryModel(this);
    view_ = new QTreeView(this);
    view_->setObjectName(QStringLiteral("serverEntries"));
    view_->setModel(entries_);
    view_->setRootIsDecorated(false);
    view_->setUniformRowHeights(true);
    view_->setItemsExpandable(false);
    view_->setAllColumnsShowFocus(true);
    view_->setColumnWidth(ServerEntryModel::Name, kNameColumnWidth);
    view_->setColumnWidth(ServerEntryModel::Size, kSizeColumnWidth);
    notice_ = new QLabel(this);
    notice_->setObjectName(QStringLiteral("serverNotice"));
    notice_->setWordWrap(false);
    notice_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(view_, &QTreeView::activated, this, &ServerFileDialog::openEntry);
    connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                offerEntry(current);
                previewEntry(current);
            });
}

void ServerFileDialog::buildAnswerFields(const QString& description) {
    fileName_ = new QLineEdit(this);
    fileName_->setObjectName(QStringLiteral("serverFileName"));
    fileName_->setPlaceholderText(texts::kServerFilesNameHint);
    fileType_ = new QComboBox(this);
    fileType_->setObjectName(QStringLiteral("fileType"));
    fileType_->addItem(description);
    connect(fileName_, &QLineEdit::returnPressed, this, [this] { answer(fileName_->text()); });
}

QDialogButtonBox* ServerFileDialog::buildButtons(bool save) {
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* accept = buttons->addButton(save ? texts::kServerFileSave : texts::kServerFileOpen,
                                             QDialogButtonBox::AcceptRole);
    accept->setObjectName(QStringLiteral("serverAccept"));
    QPushButton* cancel =
        buttons->addButton(texts::kServerFileCancel, QDialogButtonBox::RejectRole);
    // Return is taken by keyPressEvent, so that it answers in the field it was pressed in.
    accept->setAutoDefault(false);
    cancel->setAutoDefault(false);
    connect(accept, &QPushButton::clicked, this, [this] { answer(fileName_->text()); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    return buttons;
}

void ServerFileDialog::keyPressEvent(QKeyEvent* event) {
    // Return answers where it was pressed: the name field, the location or the list, each
    // through its own signal; the dialog's default button would take it from all three.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

QChar ServerFileDialog::separator() const {
    return host_ ? host_->separator : QChar(u'\\');
}

void ServerFileDialog::read(std::optional<QString> folder) {
    const quint64 request = ++lastRequest_;
    pendingRequest_ = request;
    showNotice(texts::kServerFolderReading);
    runDetached(
        this,
        [helper = helper_, browser = browser_, host = host_, folder = std::move(folder)] {
            return browser.read(*helper, host, folder);
        },
        [this, request](const ServerFileBrowser::Listing& listing) {
            // An answer to a folder the operator has already left is dropped.
            if (request == lastRequest_) {
                pendingRequest_ = 0;
                showListing(listing);
            }
        });
}

void ServerFileDialog::showListing(const ServerFileBrowser::Listing& listing) {
    if (listing.host) {
        host_ = listing.host;
    }
    folder_ = listing.folder;
    listed_ = listing.host.has_value() && listing.notice.isEmpty();
    location_->setText(folder_);
    entries_->setEntries(listing.entries);
    if (preview_ != nullptr) {
        preview_->clear();
        selectOffered();
    }
    up_->setEnabled(host_ && ServerFileBrowser::topFolder(*host_) != folder_);
    showNotice(listing.notice);
    emit listingShown();
}

void ServerFileDialog::showNotice(const QString& text) {
    notice_->setText(text);
    notice_->setToolTip(text);
}

void ServerFileDialog::answer(const QString& typed) {
    const auto result = browser_.answer(typed, folder_, entries_->entries(), separator());
    if (const auto* open = std::get_if<ServerFileBrowser::OpenFolder>(&result)) {
        read(open->folder);
    } else if (const auto* file = std::get_if<ChosenFile>(&result)) {
        if (check_ && check_->use == BackupUse::BackUp && !absentFromListing(*file)) {
            checkTarget(*file);
        } else {
            take(*file);
        }
    }
}

bool ServerFileDialog::absentFromListing(const ChosenFile& file) const {
    if (!listed_ || server_paths::folderOf(file.fullPath) != folder_ ||
        !server_paths::matchesPattern(file.title, browser_.pattern())) {
        return false;
    }
    const Qt::CaseSensitivity hostCase = host_->windows ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const std::vector<ServerEntry>& entries = entries_->entries();
    return std::none_of(entries.begin(), entries.end(), [&](const ServerEntry& entry) {
        return entry.name.compare(file.title, hostCase) == 0;
    });
}

void ServerFileDialog::take(const ChosenFile& file) {
    chosen_ = file;
    accept();
}

void ServerFileDialog::checkTarget(const ChosenFile& file) {
    const quint64 check = ++lastCheck_;
    pendingCheck_ = check;
    runDetached(
        this,
        [helper = helper_, host = host_, path = file.fullPath] {
            return overwriteQuestion(*helper, host, path);
        },
        [this, check, file](const std::optional<QString>& question) {
            // A name answered again meanwhile, or a dialog already closed, asks nothing more.
            if (check != lastCheck_ || !isVisible()) {
                return;
            }
            pendingCheck_ = 0;
            if (!question || confirmOverwrite(this, *question)) {
                take(file);
            } else {
                fileName_->setFocus();
            }
        });
}

void ServerFileDialog::openEntry(const QModelIndex& index) {
    if (!index.isValid()) {
        return;
    }
    const ServerEntry& entry = entries_->entry(index.row());
    if (entry.kind == ServerEntry::Kind::File) {
        answer(entry.name);
    } else {
        read(entry.kind == ServerEntry::Kind::Drive
                 ? entry.name
                 : server_paths::asFolder(server_paths::joined(folder_, entry.name, separator()),
                                          separator()));
    }
}

void ServerFileDialog::offerEntry(const QModelIndex& index) {
    if (index.isValid() && entries_->entry(index.row()).kind == ServerEntry::Kind::File) {
        fileName_->setText(entries_->entry(index.row()).name);
    }
}

void ServerFileDialog::selectOffered() {
    const std::vector<ServerEntry>& entries = entries_->entries();
    const auto offered = std::find_if(entries.begin(), entries.end(), [this](const auto& entry) {
        return entry.kind == ServerEntry::Kind::File && entry.name == fileName_->text();
    });
    if (offered != entries.end()) {
        view_->setCurrentIndex(entries_->index(static_cast<int>(offered - entries.begin()), 0));
    }
}

void ServerFileDialog::previewEntry(const QModelIndex& index) {
    if (preview_ == nullptr) {
        return;
    }
    if (!index.isValid() || entries_->entry(index.row()).kind != ServerEntry::Kind::File) {
        preview_->clear();
        return;
    }
    preview_->preview(server_paths::joined(folder_, entries_->entry(index.row()).name, separator()),
                      host_ ? host_->majorVersion : 0);
}

void ServerFileDialog::goUp() {
    read(server_paths::parentOf(folder_));
}
