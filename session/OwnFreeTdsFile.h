#pragma once

#include <QString>
#include <optional>

// The FreeTDS configuration file that only the tool writes. FreeTDS takes a CA file and its
// name check only from a section of such a file, and reads the file named by FREETDSCONF
// before the operator's own at every connection, applying the [global] of every file it
// tries: so this file holds the tool's sections and nothing else.
namespace own_freetds {

// $XDG_STATE_HOME/dbtool/freetds.conf, by default ~/.local/state/dbtool/freetds.conf.
QString filePath();

// Points FREETDSCONF at filePath(). Changes the process environment, so main() calls it
// before any thread starts.
void adopt();

struct Section {
    QString name;
    QString host;
    std::optional<int> port;
    QString instance;
    QString caFile;
    bool checkHostName = true;
};

// The section's text. Raises Error for a value that FreeTDS's parser would cut or change
// (a line over 255 bytes, '#' or ';', a run of blanks) and for a host that does not
// resolve, which FreeTDS would silently drop.
QString sectionText(const Section& section);

// Puts the section into the file in place of one of the same name, atomically. Sections of
// other servers stay; anything that is not one of the tool's own sections goes.
void write(const Section& section);

}  // namespace own_freetds
