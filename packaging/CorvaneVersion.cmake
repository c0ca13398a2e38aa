# The version record of the program: the one place its fields are written.
# Everything else (the Windows resource script, the record inside the Linux
# executable, the about window, the AppStream release) is generated from it.
set(CORVANE_VERSION_MAJOR 5)
set(CORVANE_VERSION_MINOR 1)
set(CORVANE_VERSION_PATCH 0)
set(CORVANE_VERSION_BUILD 0)
set(CORVANE_VERSION_NUMERIC "${CORVANE_VERSION_MAJOR}.${CORVANE_VERSION_MINOR}.${CORVANE_VERSION_PATCH}.${CORVANE_VERSION_BUILD}")
set(CORVANE_VERSION_COMMAS "${CORVANE_VERSION_MAJOR},${CORVANE_VERSION_MINOR},${CORVANE_VERSION_PATCH},${CORVANE_VERSION_BUILD}")

# The string table (language 0x0804 Chinese (Simplified), code page 1200).
set(CORVANE_COMPANY_NAME "Corvane Project")
set(CORVANE_FILE_DESCRIPTION "Build:0815")
set(CORVANE_LEGAL_COPYRIGHT "${CORVANE_COMPANY_NAME}")
set(CORVANE_LEGAL_TRADEMARKS "${CORVANE_COMPANY_NAME}")
set(CORVANE_PRODUCT_NAME "Corvane")
set(CORVANE_FILE_VERSION "5.01")
set(CORVANE_PRODUCT_VERSION "5.01")
set(CORVANE_INTERNAL_NAME "Corv5x")
set(CORVANE_ORIGINAL_FILENAME "Corv5x.exe")
set(CORVANE_LANGUAGE "0x0804")
set(CORVANE_CODEPAGE "1200")
set(CORVANE_STRING_TABLE "080404B0")

# What the about window shows.
set(CORVANE_DISPLAY_VERSION "Version ${CORVANE_VERSION_MAJOR}.${CORVANE_VERSION_MINOR}")

# Desktop identity and the date of this release.
set(CORVANE_APP_ID "org.example.corvane")
set(CORVANE_RELEASE_DATE "2026-12-06")
set(CORVANE_RELEASE_DATE_RFC2822 "Sun, 06 Dec 2026 12:00:00 +0000")
