#include "DetachBench.h"

#include <QApplication>
#include <algorithm>
#include <stdexcept>

#include "Measure.h"
#include "PlainOdbc.h"
#include "app/FMain.h"
#include "operations/DbList.h"
#include "operations/Handlers.h"
#include "operations/Statements.h"
#include "session/OdbcConnection.h"

namespace bench {

namespace {

const QString kDetached = QStringLiteral("数据库分离成功");

void requireGone(const char* who, const QString& name, bool stillListed) {
    if (stillListed) {
        throw std::runtime_error(std::string(who) + " still lists " + name.toStdString() +
                                 " after detaching it");
    }
}

}  // namespace

TimedComparison compareDetach(const ServerLogin& login, const QString& toolVictim,
                              const QString& baselineVictim, int runs) {
    FMain window{makeOdbcConnection};
    window.show();
    QApplication::processEvents();
    connectWindow(window, login);
    PlainOdbc baseline(login.odbcConnectionString());
    const std::u16string listQuery = catalogueQuery().toStdU16String();
    // The server resolves bare file names against its data folder.
    auto attachAgain = [&](const QString& name) {
        baseline.execute(
            attachStatement(name, name + QStringLiteral(".mdf"), name + QStringLiteral("_log.ldf"))
                .toStdU16String());
    };

    auto toolDetach = [&] {
        LoadDbList(window.connection(), window);
        selectDatabase(window, toolVictim);
        const double seconds = timed([&] { detachDatabase(window); });
        QApplication::processEvents();
        if (window.statusText() != kDetached) {
            throw std::runtime_error("the tool's detach said: " +
                                     window.statusText().toStdString());
        }
        requireGone("the tool", toolVictim, listsDatabase(window, toolVictim));
        attachAgain(toolVictim);
        return seconds;
    };
    const std::u16string evict = sessionEvictionBatch(baselineVictim).toStdU16String();
    const std::u16string detach = detachStatement(baselineVictim).toStdU16String();
    const std::u16string victim = baselineVictim.toStdU16String();
    auto baselineDetach = [&] {
        std::vector<std::u16string> names;
        const double seconds = timed([&] {
            baseline.execute(evict);
            baseline.execute(detach);
            names = baseline.firstColumn(listQuery);
        });
        requireGone("the baseline", baselineVictim,
                    std::find(names.begin(), names.end(), victim) != names.end());
        attachAgain(baselineVictim);
        return seconds;
    };

    TimedComparison result{"Detach: evict, detach, list", {}, {}, 1.10};
    toolDetach();
    baselineDetach();
    for (int run = 0; run < runs; ++run) {
        if (run % 2 == 0) {
            result.toolSeconds.push_back(toolDetach());
            result.baselineSeconds.push_back(baselineDetach());
        } else {
            result.baselineSeconds.push_back(baselineDetach());
            result.toolSeconds.push_back(toolDetach());
        }
    }
    return result;
}

}  // namespace bench
