#pragma once

// T-SQL the tool really sends, so that these tests exercise statements the instance models.
namespace tdstest {

constexpr const char* kCatalogueQuery =
    "SELECT NAME FROM SYSDATABASES WHERE NAME NOT IN "
    "('master','tempdb','model','msdb','pubs','Northwind') ORDER BY dbid";

constexpr const char16_t* kCatalogueQuery16 =
    u"SELECT NAME FROM SYSDATABASES WHERE NAME NOT IN "
    u"('master','tempdb','model','msdb','pubs','Northwind') ORDER BY dbid";

}  // namespace tdstest
