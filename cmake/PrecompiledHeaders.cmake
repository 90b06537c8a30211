# Most of the compile time of the tool's small files and of the tests goes into reading the
# same Qt and GoogleTest headers again (the development server's files, which include only
# the standard library, gain nothing measurable). Each group below is compiled once per build into a
# precompiled header that the targets including that group reuse. -Winvalid-pch says when
# GCC has to fall back to reading the headers, so a slow build shows up as a warning.

set(DBTOOL_PCH_STANDARD
    <algorithm> <array> <chrono> <cstdint> <filesystem> <functional> <map> <memory>
    <optional> <span> <stdexcept> <string> <string_view> <vector>)
set(DBTOOL_PCH_QT_CORE ${DBTOOL_PCH_STANDARD} <QList> <QString> <QStringList>)
set(DBTOOL_PCH_QT_WIDGETS ${DBTOOL_PCH_QT_CORE}
    <QApplication> <QComboBox> <QDialog> <QLabel> <QLineEdit> <QPushButton> <QTimer> <QWidget>)

# dbtool_precompile(<target> STANDARD|QT_CORE|QT_WIDGETS [GTEST]) gives the target its own
# precompiled header; dbtool_reuse_precompiled(<target> <from>) lets it use another's, which
# needs the same compile options.
function(dbtool_precompile target group)
    set(headers ${DBTOOL_PCH_${group}})
    if("GTEST" IN_LIST ARGN)
        list(APPEND headers <gtest/gtest.h>)
    endif()
    target_precompile_headers(${target} PRIVATE ${headers})
    target_compile_options(${target} PRIVATE -Winvalid-pch)
endfunction()

function(dbtool_reuse_precompiled target from)
    target_precompile_headers(${target} REUSE_FROM ${from})
    target_compile_options(${target} PRIVATE -Winvalid-pch)
endfunction()
