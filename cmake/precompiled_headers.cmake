# Precompiled headers: the Qt and standard-library headers nearly every file of a library includes
# are parsed once per library instead of once per file. Only headers from outside the project go
# in, so a change to our own headers rebuilds no precompiled header.
#
# Where they are used is measured, not assumed. With debug information a precompiled header is
# 100-270 MB, and every file compiled with it reads it in: the system time that costs ate the
# parsing saved in the test programs (a test file of the engine took 8 s of CPU without and 13.5 s
# with GoogleTest, Qt Widgets and QTest precompiled; a window test file about the same either way)
# and in the editors' library (no gain), so those have none. The console's libraries gain (a file
# of the engine 4.2 s -> 3.3 s, of the window 12-15 s -> 11 s). Targets of one or two files (the
# programs' main files, the tools) gain nothing; nor does the web remote's HTTP parser
# (Boost.Beast), used by one file only.
#
# ccache caches both the precompiled headers and the files compiled with them once it is told to
# accept them (sloppiness pch_defines and time_macros): the launcher gets that setting here.
option(VQ_PCH "Precompile the Qt and standard-library headers of the console's libraries" ON)

set(VQ_PCH_CORE
    <algorithm> <array> <cstdint> <functional> <map> <memory> <optional> <span> <string> <utility>
    <vector> <QByteArray> <QDir> <QFile> <QFileInfo> <QObject> <QString> <QStringList> <QTimer>)
set(VQ_PCH_WIDGETS
    ${VQ_PCH_CORE} <QAction> <QApplication> <QCheckBox> <QComboBox> <QDialog> <QGridLayout>
    <QHBoxLayout> <QHeaderView> <QKeyEvent> <QLabel> <QLineEdit> <QMenu> <QPushButton> <QTableWidget>
    <QToolButton> <QVBoxLayout> <QWidget>)

# vq_precompile(<target> CORE|WIDGETS|NONE)
function(vq_precompile target set)
  if(VQ_PCH AND NOT set STREQUAL "NONE")
    target_precompile_headers(${target} PRIVATE ${VQ_PCH_${set}})
  endif()
endfunction()

if(VQ_PCH AND CMAKE_CXX_COMPILER_LAUNCHER MATCHES "ccache$")
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env CCACHE_SLOPPINESS=pch_defines,time_macros
                                  ${CMAKE_CXX_COMPILER_LAUNCHER})
endif()
