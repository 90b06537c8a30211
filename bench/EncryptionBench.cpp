#include "EncryptionBench.h"

#include <algorithm>
#include <functional>
#include <stdexcept>

#include "Measure.h"
#include "PlainOdbc.h"
#include "operations/DbList.h"
#include "operations/Statements.h"

namespace bench {

namespace {

template <typename Sample>
void alternate(int runs, TimedComparison& result, Sample&& encrypted, Sample&& clear) {
    encrypted();
    clear();
    for (int run = 0; run < runs; ++run) {
        if (run % 2 == 0) {
            result.toolSeconds.push_back(encrypted());
            result.baselineSeconds.push_back(clear());
        } else {
            result.baselineSeconds.push_back(clear());
            result.toolSeconds.push_back(encrypted());
        }
    }
}

// One detach through `client`, timed, and the database attached again untimed.
double detachOnce(PlainOdbc& client, const QString& victim) {
    const std::u16string evict = sessionEvictionBatch(victim).toStdU16String();
    const std::u16string detach = detachStatement(victim).toStdU16String();
    const std::u16string list = catalogueQuery().toStdU16String();
    std::vector<std::u16string> names;
    const double seconds = timed([&] {
        client.execute(evict);
        client.execute(detach);
        names = client.firstColumn(list);
    });
    if (std::find(names.begin(), names.end(), victim.toStdU16String()) != names.end()) {
        throw std::runtime_error("still listed after its detach: " + victim.toStdString());
    }
    client.execute(attachStatement(victim, victim + QStringLiteral(".mdf"),
                                   victim + QStringLiteral("_log.ldf"))
                       .toStdU16String());
    return seconds;
}

}  // namespace

TimedComparison compareConnectEncryption(const ServerLogin& login, int runs) {
    const std::u16string encrypted = login.odbcConnectionString();
    const std::u16string clear = login.clearOdbcConnectionString();
    TimedComparison result{"Connect: encrypted vs clear", {}, {}, 1.30};
    auto connectOnce = [](const std::u16string& connection) {
        return [connection] { return timed([&] { PlainOdbc client(connection); }); };
    };
    alternate(runs, result, connectOnce(encrypted), connectOnce(clear));
    return result;
}

TimedComparison compareDetachEncryption(const ServerLogin& login, const QString& encryptedVictim,
                                        const QString& clearVictim, int runs) {
    PlainOdbc encrypted(login.odbcConnectionString());
    PlainOdbc clear(login.clearOdbcConnectionString());
    TimedComparison result{"Detach texts: encrypted vs clear", {}, {}, 1.10};
    alternate(runs, result,
              std::function<double()>([&] { return detachOnce(encrypted, encryptedVictim); }),
              std::function<double()>([&] { return detachOnce(clear, clearVictim); }));
    return result;
}

}  // namespace bench
