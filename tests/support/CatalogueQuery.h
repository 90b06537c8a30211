#pragma once

// The catalogue query exactly as the tool sends it, written out once for every test: the
// development server's own tests send it as a client would, and the tool's tests hold the
// server's log against it.
#define DOCUMENTED_CATALOGUE_QUERY                     \
    "SELECT name FROM sysdatabases WHERE name NOT IN " \
    "('master','tempdb','model','msdb','pubs','Northwind') ORDER BY dbid"

namespace tdstest {

constexpr const char* kCatalogueQuery = DOCUMENTED_CATALOGUE_QUERY;
constexpr const char16_t* kCatalogueQuery16 = u"" DOCUMENTED_CATALOGUE_QUERY;

}  // namespace tdstest
