# The English translation of the system's own texts (the Chinese effect names, the serial-port
# reminder, the log captions): translations/velantor_en.ts is compiled by lrelease and embedded in
# the Qt library as :/i18n/velantor_en.qm. lrelease alone comes with qt6-l10n-tools; Qt's CMake
# helpers for it would pull in the whole qt6-tools-dev (Designer, Assistant, libclang).
find_program(VELANTOR_LRELEASE NAMES lrelease lrelease-qt6
  HINTS "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}" /usr/lib/qt6/bin)
if(NOT VELANTOR_LRELEASE)
  message(FATAL_ERROR "lrelease not found: install qt6-l10n-tools (make deps does)")
endif()

set(VELANTOR_TS ${CMAKE_SOURCE_DIR}/translations/velantor_en.ts)
set(VELANTOR_QM ${CMAKE_BINARY_DIR}/i18n/velantor_en.qm)
add_custom_command(OUTPUT ${VELANTOR_QM}
  COMMAND ${VELANTOR_LRELEASE} -silent ${VELANTOR_TS} -qm ${VELANTOR_QM}
  DEPENDS ${VELANTOR_TS}
  COMMENT "Compiling the English translation")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/i18n/velantor_translations.qrc
  CONTENT "<RCC><qresource prefix=\"/i18n\"><file>velantor_en.qm</file></qresource></RCC>\n")
qt6_add_resources(VELANTOR_TRANSLATION_SOURCES ${CMAKE_BINARY_DIR}/i18n/velantor_translations.qrc)
target_sources(velantor_qt PRIVATE ${VELANTOR_TRANSLATION_SOURCES})
