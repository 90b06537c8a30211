#pragma once

#include <QString>
#include <optional>
#include <variant>
#include <vector>

#include "OperationHost.h"
#include "ServerFileSystem.h"

class HelperConnection;

// The file dialog without its widgets: the filter, where it opens, what it shows of a
// folder, and what the operator's answer means. The dialog reads the server and shows;
// this decides, so that the decisions can be tested without a window.
class ServerFileBrowser {
  public:
    // filter as "description|pattern"; lastFileName is the path the previous use returned.
    ServerFileBrowser(const QString& filter, FileDialogMode mode, QString lastFileName);

    const QString& description() const { return description_; }
    const QString& pattern() const { return pattern_; }
    FileDialogMode mode() const { return mode_; }
    // The previous choice's file title, offered in the name field.
    QString offeredName() const;

    // The kept last name's folder; otherwise the instance's default folder for the kind of
    // file the filter selects (data, log or backup); otherwise the top.
    QString startFolder(const HostFacts& host) const;
    // The drives of a Windows host (shown as the empty folder), "/" on a Linux host.
    static QString topFolder(const HostFacts& host);

    // Drives and folders first, then the files the pattern selects, each by name.
    std::vector<ServerEntry> shownEntries(std::vector<ServerEntry> listed) const;

    struct Listing {
        std::optional<HostFacts> host;     // unknown when the server could not be asked
        QString folder;                    // the folder shown; empty for the drives
        std::vector<ServerEntry> entries;  // as shown
        QString notice;                    // why nothing is listed; empty when listed
    };
    // Reads a folder over the helper connection: the start folder when none is given, after
    // the host facts when they are not known yet. Never raises: a failure becomes the
    // notice, and the folder is still the one a typed name is taken in. Safe on any thread.
    Listing read(HelperConnection& helper, std::optional<HostFacts> host,
                 const std::optional<QString>& folder) const;

    struct OpenFolder {
        QString folder;
    };
    using Answer = std::variant<std::monostate, OpenFolder, ChosenFile>;
    // What the typed text means while `folder` shows `entries`: nothing yet, a folder to
    // open, or the chosen file. A typed absolute path is the chosen path exactly as typed;
    // a name is taken in the folder shown.
    Answer answer(const QString& typed, const QString& folder,
                  const std::vector<ServerEntry>& entries, QChar separator) const;

  private:
    QString description_;
    QString pattern_;
    FileDialogMode mode_;
    QString lastFileName_;
};
