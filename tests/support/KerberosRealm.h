#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

class BackgroundProgram;

// A private Kerberos realm for one test: an MIT KDC run as the test's own child on a free
// loopback port, with its configuration, database, service keytab and credential cache in a
// temporary folder. While the object lives, this process's KRB5_CONFIG, KRB5_KDC_PROFILE and
// KRB5CCNAME point into that folder, and so do those of every process it starts (the ODBC
// driver inside it, the development server beside it): the machine's own Kerberos settings
// are neither read nor changed. The KDC is stopped, the folder removed and the environment
// put back when the object goes, whatever the test did.
class KerberosRealm {
  public:
    static constexpr const char* kName = "DBTOOL.TEST";
    // Tokens older than this, and tickets expired longer than this, are refused.
    static constexpr std::chrono::seconds kClockSkew{2};

    // The programs a realm needs that are not installed, by name; empty when all are.
    static std::string missingPrograms();

    // Creates the realm and starts its KDC (a fraction of a second); throws
    // std::runtime_error with the tools' own words when that fails.
    KerberosRealm();
    ~KerberosRealm();
    KerberosRealm(const KerberosRealm&) = delete;
    KerberosRealm& operator=(const KerberosRealm&) = delete;

    void addUser(const std::string& name);
    // A service principal such as MSSQLSvc/127.0.0.1:1433, its keys added to keytab().
    void addService(const std::string& principal);
    const std::filesystem::path& keytab() const { return keytab_; }
    // user@REALM and REALM\user.
    static std::string principalOf(const std::string& user);
    static std::string windowsNameOf(const std::string& user);

    // kinit into the private credential cache, replacing what it held.
    void logIn(const std::string& user, std::chrono::seconds lifetime = std::chrono::hours(1));
    // kdestroy: no ticket at all.
    void logOut();

    void stopKdc();
    // Again on the same port.
    void startKdc();

  private:
    void tearDown() noexcept;
    void writeConfiguration();
    std::string administer(const std::string& command);
    std::filesystem::path database() const { return root_ / "principal"; }
    std::filesystem::path stash() const { return root_ / "stash"; }

    std::filesystem::path root_;
    std::filesystem::path keytab_;
    std::filesystem::path credentialCache_;
    int port_ = 0;
    std::map<std::string, std::string> passwords_;
    std::map<std::string, std::optional<std::string>> savedEnvironment_;
    std::unique_ptr<BackgroundProgram> kdc_;
};
