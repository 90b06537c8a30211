#pragma once

#include <QDialog>
#include <memory>
#include <optional>

#include "operations/ServerFileBrowser.h"

class BackupPreviewPane;
class HelperConnection;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QModelIndex;
class QToolButton;
class QTreeView;
class ServerEntryModel;

// The file dialog, showing the server's files: the server opens every file named here, on
// its own machine. Folders are read over the helper connection when opened, off the
// window's thread, so a big or slow folder never freezes the window; a typed path is
// accepted whether or not anything could be listed. Chosen for a backup, it looks inside the
// file first: a restore's dialog previews the selected backup, and a backup's dialog asks
// before the backup overwrites an existing file.
class ServerFileDialog : public QDialog {
    Q_OBJECT

  public:
    ServerFileDialog(std::shared_ptr<HelperConnection> helper, const QString& filter,
                     FileDialogMode mode, const QString& lastFileName, QWidget* parent,
                     std::optional<BackupCheck> check = std::nullopt);
    ~ServerFileDialog() override;

    // Valid once the dialog was accepted.
    const ChosenFile& chosen() const { return chosen_; }
    // A folder is being read; tests wait for it to end.
    bool loading() const { return pendingRequest_ != 0; }
    // The chosen name is being looked up before the question whether to overwrite it.
    bool checkingTarget() const { return pendingCheck_ != 0; }

  signals:
    // A folder's entries, or the reason there are none, are on show.
    void listingShown();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void buildControls(const QString& description, FileDialogMode mode);
    void buildLocation();
    void buildEntryList();
    void buildAnswerFields(const QString& description);
    QDialogButtonBox* buildButtons(bool save);
    void read(std::optional<QString> folder);
    void showListing(const ServerFileBrowser::Listing& listing);
    void showNotice(const QString& text);
    void answer(const QString& typed);
    void take(const ChosenFile& file);
    // The folder on show was listed, the name lies in it and matches the filter, and no
    // entry has that name: the file does not exist, and nothing needs asking.
    bool absentFromListing(const ChosenFile& file) const;
    void checkTarget(const ChosenFile& file);
    void previewEntry(const QModelIndex& index);
    // In a restore's dialog, the name offered from the last use is selected when listed,
    // so that its preview shows at once.
    void selectOffered();
    void openEntry(const QModelIndex& index);
    void offerEntry(const QModelIndex& index);
    void goUp();
    QChar separator() const;

    std::shared_ptr<HelperConnection> helper_;
    ServerFileBrowser browser_;
    std::optional<HostFacts> host_;
    QString folder_;
    bool listed_ = false;
    ChosenFile chosen_;
    quint64 lastRequest_ = 0;
    quint64 pendingRequest_ = 0;
    std::optional<BackupCheck> check_;
    quint64 lastCheck_ = 0;
    quint64 pendingCheck_ = 0;

    QLineEdit* location_ = nullptr;
    QToolButton* up_ = nullptr;
    QTreeView* view_ = nullptr;
    ServerEntryModel* entries_ = nullptr;
    QLabel* notice_ = nullptr;
    QLineEdit* fileName_ = nullptr;
    QComboBox* fileType_ = nullptr;
    BackupPreviewPane* preview_ = nullptr;  // only in a restore's dialog
};
