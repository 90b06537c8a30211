#include "ListRefreshBench.h"

#include <QApplication>
#include <stdexcept>

#include "Measure.h"
#include "PlainOdbc.h"
#include "app/FMain.h"
#include "operations/DbList.h"
#include "operations/Statements.h"
#include "session/OdbcConnection.h"

namespace bench {

namespace {

void requireCount(const char* who, std::size_t seen, int expected) {
    if (seen != static_cast<std::size_t>(expected)) {
        throw std::runtime_error(std::string(who) + " listed " + std::to_string(seen) +
                                 " databases, expected " + std::to_string(expected));
    }
}

}  // namespace

TimedComparison compareListRefresh(const ServerLogin& login, int expectedNames, int runs,
                                   std::string title) {
    FMain window{makeOdbcConnection};
    window.show();
    QApplication::processEvents();
    connectWindow(window, login);
    PlainOdbc baseline(login.odbcConnectionString());
    const std::u16string query = catalogueQuery().toStdU16String();

    auto toolRefresh = [&] {
        const double seconds = timed([&] { LoadDbList(window.connection(), window); });
        // The repaints the refill scheduled run before the next sample, untimed.
        QApplication::processEvents();
        requireCount("the tool", static_cast<std::size_t>(listedDatabaseCount(window)),
                     expectedNames);
        return seconds;
    };
    auto baselineRefresh = [&] {
        std::vector<std::u16string> names;
        const double seconds = timed([&] { names = baseline.firstColumn(query); });
        requireCount("the baseline", names.size(), expectedNames);
        return seconds;
    };

    TimedComparison result{std::move(title), {}, {}, 1.15};
    toolRefresh();  // warm both paths up: first-use allocations, caches
    baselineRefresh();
    for (int run = 0; run < runs; ++run) {
        // Alternate which goes first, so neither always follows the other's leftovers.
        if (run % 2 == 0) {
            result.toolSeconds.push_back(toolRefresh());
            result.baselineSeconds.push_back(baselineRefresh());
        } else {
            result.baselineSeconds.push_back(baselineRefresh());
            result.toolSeconds.push_back(toolRefresh());
        }
    }
    return result;
}

}  // namespace bench
