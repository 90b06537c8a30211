#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <memory>

#include "QtPrinters.h"
#include "SentTexts.h"
#include "ServerHost.h"

// A development server of the test's own, the window connected to it with its list filled,
// and an observer client in master for setting up and reading back.
class ServerTest : public ::testing::Test {
  protected:
    // On a Windows host the server names its files D:\data\…. Further options for the
    // server as in DevServerProcess::Options.
    explicit ServerTest(bool windowsHost = false, std::vector<std::string> serverOptions = {})
        : server(DevServerProcess::Options{.saPassword = "E2e#Pass9",
                                           .windowsHost = windowsHost,
                                           .extraArguments = std::move(serverOptions)}),
          host(server),
          observer(connectTo(server)),
          sent(server, host.spid) {}

    DevServerProcess server;
    ServerHost host;
    std::unique_ptr<OdbcConnection> observer;
    SentTexts sent;

    // The server's paths: absolute paths in its data folder, as the server names them.
    QString inDataFolder(const QString& fileName) const {
        return QString::fromStdString(server.serverPath("data/" + fileName.toStdString()));
    }
    ChosenFile chosenInDataFolder(const QString& fileName) const {
        return ChosenFile{inDataFolder(fileName), fileName};
    }
    bool existsInDataFolder(const QString& fileName) const {
        return std::filesystem::exists(server.dataDir() / toPath(fileName));
    }

    // The click, and what the host sent during it.
    QStringList clickAndRecord(const std::function<void(OperationHost&)>& handler) {
        sent.mark();
        host.statusHistory.clear();
        host.click(handler);
        return sent.sinceMark();
    }
};
