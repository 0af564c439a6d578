# The Windows side: window-class layer, user interface and the program itself.
enable_language(RC)
# windres reports a missing file as an error, never as a warning; make sure it stops the build.
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} --use-temp-file")
set(CMAKE_RC_COMPILE_OBJECT "<CMAKE_RC_COMPILER> <DEFINES> <INCLUDES> <FLAGS> -O coff -i <SOURCE> -o <OBJECT>")

# Everything is linked statically so that a clean Windows needs no MinGW runtime.
add_link_options(-static -static-libgcc -static-libstdc++)

set(OSTRAK_WIN_LIBS comctl32 shlwapi shell32 ole32 oleaut32 uuid gdi32 user32 advapi32 kernel32)
target_link_libraries(ostrak_base PUBLIC ${OSTRAK_WIN_LIBS})

# The resource ids, shared by the resource script, the dialogs and the program.
ostrak_library(resources DEPENDS base)
ostrak_library(winui DEPENDS base)
ostrak_library(ui/controls DEPENDS winui base)
ostrak_library(ui/options DEPENDS ui/controls winui resources links projects tracking localization settings files base)
ostrak_library(app DEPENDS ui/options winui resources links tracking localization settings files base
               EXCLUDE winmain.cpp)
# Session notifications: a locked or disconnected session is time away.
target_link_libraries(ostrak_app PUBLIC wtsapi32)

set(OSTRAK_RESOURCE_SCRIPT ${CMAKE_SOURCE_DIR}/resources/ostrak.rc)
# The files the resource script pulls in: windres reads them, CMake's scan does not see them.
file(GLOB OSTRAK_RESOURCE_FILES CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/resources/*.ico ${CMAKE_SOURCE_DIR}/resources/*.bmp
    ${CMAKE_SOURCE_DIR}/resources/*.manifest ${CMAKE_SOURCE_DIR}/resources/resource.h
    ${CMAKE_BINARY_DIR}/generated/base/version.h)
set_source_files_properties(${OSTRAK_RESOURCE_SCRIPT} PROPERTIES OBJECT_DEPENDS "${OSTRAK_RESOURCE_FILES}")

add_executable(Ostrak WIN32 ${CMAKE_SOURCE_DIR}/app/winmain.cpp ${OSTRAK_RESOURCE_SCRIPT})
target_link_libraries(Ostrak PRIVATE ostrak_app)
set_target_properties(Ostrak PROPERTIES
    OUTPUT_NAME Ostrak
    RUNTIME_OUTPUT_DIRECTORY ${OSTRAK_DIST_DIR})

# Files delivered beside the program (language files, report, help, shared patterns) are
# copied into the program folder whenever they change.
file(GLOB_RECURSE OSTRAK_DELIVERED_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/delivered/*)
set(delivered_outputs "")
foreach(source IN LISTS OSTRAK_DELIVERED_FILES)
    file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR}/delivered ${source})
    set(output ${OSTRAK_DIST_DIR}/${relative})
    add_custom_command(OUTPUT ${output} COMMAND ${CMAKE_COMMAND} -E copy_if_different ${source} ${output}
                       DEPENDS ${source} VERBATIM)
    list(APPEND delivered_outputs ${output})
endforeach()
add_custom_target(ostrak_delivered ALL DEPENDS ${delivered_outputs})
add_dependencies(Ostrak ostrak_delivered)
