# The publisher whose signature the downloaded installer must carry. The installer and
# its MD5 both arrive over plain HTTP, so the MD5 only catches a damaged transfer; the
# Authenticode signature, checked against a name fixed here, is what proves the file
# is the maker's. The value is the simple display name of the signing (leaf)
# certificate, compared exactly; NONE builds the program without the check.
set(TIDEWELL_INSTALLER_PUBLISHER "" CACHE STRING
    "Signer name the downloaded installer must carry (leaf certificate's display name), or NONE")

if(WIN32)
    if(TIDEWELL_INSTALLER_PUBLISHER STREQUAL "")
        message(FATAL_ERROR
            "TIDEWELL_INSTALLER_PUBLISHER is not set. Set it to the name of the maker's "
            "code-signing certificate, -DTIDEWELL_INSTALLER_PUBLISHER=\"<signer name>\" "
            "(the certificate's simple display name, exactly as Windows shows it under "
            "Digital Signatures > Name of signer), or to NONE to build a program that "
            "runs the downloaded installer without checking its signature.")
    endif()
    if(TIDEWELL_INSTALLER_PUBLISHER MATCHES "[\"\\\\]")
        message(FATAL_ERROR "TIDEWELL_INSTALLER_PUBLISHER must not contain quotes or backslashes")
    endif()
    if(TIDEWELL_INSTALLER_PUBLISHER STREQUAL "NONE")
        message(WARNING
            "TIDEWELL_INSTALLER_PUBLISHER is NONE: this Tidewell.exe runs whatever installer "
            "the network delivers with a matching MD5, without checking who signed it.")
    endif()
endif()

if(TIDEWELL_INSTALLER_PUBLISHER STREQUAL "NONE" OR TIDEWELL_INSTALLER_PUBLISHER STREQUAL "")
    set(TIDEWELL_CHECK_INSTALLER_SIGNATURE 0)
else()
    set(TIDEWELL_CHECK_INSTALLER_SIGNATURE 1)
endif()
