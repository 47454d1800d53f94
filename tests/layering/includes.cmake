# Each folder of the program includes only from itself and from the layers
# below it, so no two folders include each other:
#   base < engine < batch, and engine < window/widgets < window/dialogs < window
# and, in window, the main window's parts < frmMain
# Inside the engine, each room includes only the rooms below it:
#   files and pictures (which know nothing of each other) < tags < convert,
# and each tag container's folder only files, tags and itself.
# An entry ending in "/" allows every folder below it.
# Run with -DSOURCE_DIR=<the brisko folder>.
set(allowed_base "base")
set(allowed_engine_files "base;engine/files")
set(allowed_engine_pictures "base;engine/pictures")
# Tags carry picture bytes, not pictures. The conversion sees only the seam
# in engine/tags, never a container's folder; each container (a folder under
# engine/tags) may use the others' shared parts.
set(allowed_engine_tags "base;engine/files;engine/tags/")
set(allowed_engine_tags_container "base;engine/files;engine/tags/")
set(allowed_engine_convert "base;engine/files;engine/pictures;engine/tags;engine/convert")
# brisko-batch knows formats only through the format table in engine/tags.
set(allowed_batch "base;engine/files;engine/pictures;engine/tags;engine/convert;batch")
set(allowed_window_widgets "base;engine/;window/widgets")
set(allowed_window_dialogs "base;engine/;window/widgets;window/dialogs")
set(allowed_window "base;engine/;window/widgets;window/dialogs;window")

# The main window's parts (the runs, the preview, the intake, ...) take what
# they need when they are made: only frmMain's own files, the guard of its
# busy look and the program's start include frmmain.h.
set(main_window_files "^window/(frmmain[_a-z]*\\.(cpp|h)|operationguard\\.cpp|main\\.cpp)$")

file(GLOB_RECURSE sources RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.cpp ${SOURCE_DIR}/*.h)
set(faults "")
foreach(source ${sources})
    get_filename_component(folder ${source} DIRECTORY)
    string(REPLACE "/" "_" layer "${folder}")
    if(layer MATCHES "^engine_tags_" AND NOT DEFINED allowed_${layer})
        set(layer engine_tags_container)
    endif()
    if(NOT DEFINED allowed_${layer})
        string(APPEND faults "\n  ${source}: in a folder no layer names")
        continue()
    endif()
    file(STRINGS ${SOURCE_DIR}/${source} includes REGEX "^#include \"[^\"]+\"")
    foreach(line ${includes})
        string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
        get_filename_component(from ${included} DIRECTORY)
        if(from STREQUAL "" OR included MATCHES "\\.moc$")
            continue() # generated files and headers beside the source
        endif()
        set(allowed FALSE)
        foreach(entry ${allowed_${layer}})
            if(from STREQUAL entry)
                set(allowed TRUE)
            elseif(entry MATCHES "/$")
                string(FIND "${from}/" "${entry}" at)
                if(at EQUAL 0)
                    set(allowed TRUE)
                endif()
            endif()
        endforeach()
        if(included STREQUAL "window/frmmain.h" AND NOT source MATCHES "${main_window_files}")
            set(allowed FALSE)
        endif()
        if(NOT allowed)
            string(APPEND faults "\n  ${source} includes ${included}")
        endif()
    endforeach()
endforeach()
if(faults)
    message(FATAL_ERROR "Includes that cross the layers upwards:${faults}")
endif()
message(STATUS "${CMAKE_CURRENT_LIST_FILE}: every include keeps to the layers")
