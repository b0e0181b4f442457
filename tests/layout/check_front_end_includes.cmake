# Front ends reach the host only through its face. Run as
#   cmake -DSOURCE_DIR=<folder holding src/> -P check_front_end_includes.cmake
# Fails when a file of a front end (src/window, src/headless, src/panel, src/app) includes a core
# header that is not listed below or uses the parts kept for tests, or when a core file includes
# a front end's header.

cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
    message(FATAL_ERROR "SOURCE_DIR is not set")
endif()

set(front_ends window headless panel app)
set(core_folders text net settings appearance chatserver lobby chat tournament host)

# The face and the plain values it hands out.
set(face_headers
    host/HostCore.h
    host/HostOptions.h
    host/PlayerRow.h
    chatserver/BanRow.h
    chatserver/BanDuration.h
    chatserver/IpMonitorRow.h
    net/PeerAddress.h
    chat/Announcement.h
    chat/LineKind.h
    chat/PrintableText.h
    chat/ProgramCredits.h
    chat/TranscriptLine.h
    appearance/ChatFont.h
    appearance/ChatStyle.h
)
# The settings side of the face: the editor the settings controls change values through, the
# table that names every stored value, and the settings models, which the face hands out for
# reading only (const, with their change signals).
set(settings_headers
    host/SettingsEditor.h
    host/SettingCommands.h
    settings/StoredValues.h
    appearance/ChatStyles.h
    chat/ChatOptions.h
    host/HostIdentity.h
    tournament/CourseTable.h
    tournament/TournamentSettings.h
)
# The settings file itself, for what runs beside or before a host: the panel's password is set
# by a run of the program that starts no host, and the demo writes its settings before one.
set(settings_file_users src/panel/PanelFrontEnd.cpp src/panel/PanelPassword.cpp
    src/panel/PanelPasswordSetup.cpp
    src/app/DemoLauncher.cpp)
set(allowed ${face_headers} ${settings_headers})

set(problems "")

foreach(front_end IN LISTS front_ends)
    file(GLOB_RECURSE files "${SOURCE_DIR}/src/${front_end}/*.h" "${SOURCE_DIR}/src/${front_end}/*.cpp")
    foreach(file IN LISTS files)
        file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[^\"]+\"")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"]+)\".*" "\\1" header "${line}")
            string(REGEX REPLACE "/.*" "" folder "${header}")
            file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
            if(header STREQUAL "settings/SettingsStore.h" AND shown IN_LIST settings_file_users)
                continue()
            endif()
            if(folder IN_LIST core_folders AND NOT header IN_LIST allowed)
                list(APPEND problems "${shown} includes ${header}")
            endif()
        endforeach()
        file(STRINGS "${file}" uses REGEX "parts\\(\\)")
        if(uses)
            file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
            list(APPEND problems "${shown} uses the core's parts()")
        endif()
    endforeach()
endforeach()

foreach(folder IN LISTS core_folders)
    file(GLOB_RECURSE files "${SOURCE_DIR}/src/${folder}/*.h" "${SOURCE_DIR}/src/${folder}/*.cpp")
    foreach(file IN LISTS files)
        file(STRINGS "${file}" includes
            REGEX "^[ \t]*#[ \t]*include[ \t]+\"(window|headless|panel|app)/")
        foreach(line IN LISTS includes)
            file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
            string(STRIP "${line}" line)
            list(APPEND problems "${shown} (core) has ${line}")
        endforeach()
    endforeach()
endforeach()

if(problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "Front ends must use only the host's face:\n  ${text}")
endif()
message(STATUS "Front ends use only the host's face")
