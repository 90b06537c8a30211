#include "SentTexts.h"

#include <QString>

#include "support/DevServerProcess.h"

SentTexts::SentTexts(const DevServerProcess& server, int spid) : server_(server), spid_(spid) {
    mark();
}

void SentTexts::mark() {
    marked_ = server_.readLog().size();
}

QStringList SentTexts::sinceMark() const {
    const std::vector<DevServerProcess::LoggedBatch> log = server_.readLog();
    QStringList texts;
    for (std::size_t i = marked_; i < log.size(); ++i) {
        if (log[i].spid == spid_) {
            texts.append(QString::fromStdString(log[i].sql));
        }
    }
    return texts;
}
