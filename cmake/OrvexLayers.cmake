# One static library per layer, each seeing only the headers of the layers it links.
#
# orvex_layer(<name> [FOLDER <path>] [DEPS <targets...>] [SOURCES <files...>] [QT])
# Makes the library orvex_<name>. Its headers are reached as "<path>/<file>.h" (FOLDER defaults
# to the calling directory), and only by targets that link the library: the folder is published
# through a directory of its own in the build tree (a symbolic link), never through the source
# root, so an include against the layer order fails to compile. DEPS are linked PUBLIC.
# Without SOURCES, every *.cpp of the calling directory that is not a test or a Qt part
# (*_qt.cpp) joins the library, and every *_test.cpp becomes a test program
# (*_integration_test.cpp: integration; *_stress_test.cpp: unit;stress; else unit).
# QT: the library is a Qt part (AUTOMOC), made only when ORVEX_WITH_QT is on.
function(orvex_layer name)
  cmake_parse_arguments(L "QT" "FOLDER" "DEPS;SOURCES" ${ARGN})
  if(L_QT AND NOT ORVEX_WITH_QT)
    return()
  endif()
  if(NOT L_FOLDER)
    file(RELATIVE_PATH L_FOLDER ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  set(tests)
  if(NOT L_SOURCES)
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    foreach(src IN LISTS found)
      get_filename_component(base ${src} NAME_WE)
      if(base MATCHES "_qt$" OR base MATCHES "_qt_test$")
        continue()
      elseif(base MATCHES "_test$")
        list(APPEND tests ${src})
      else()
        list(APPEND L_SOURCES ${src})
      endif()
    endforeach()
  endif()

  add_library(orvex_${name} STATIC ${L_SOURCES})
  target_link_libraries(orvex_${name} PUBLIC ${L_DEPS})
  if(L_QT)
    set_target_properties(orvex_${name} PROPERTIES AUTOMOC ON)
  endif()
  orvex_publish_folder(orvex_${name} ${L_FOLDER})
  if(NOT L_QT)
    target_link_libraries(orvex_core INTERFACE orvex_${name})
  else()
    target_link_libraries(orvex_ui INTERFACE orvex_${name})
  endif()

  foreach(src IN LISTS tests)
    get_filename_component(base ${src} NAME_WE)
    if(base MATCHES "_integration_test$")
      set(label integration)
    elseif(base MATCHES "_stress_test$")
      set(label "unit;stress")
    else()
      set(label unit)
    endif()
    orvex_add_test(${base} LABEL ${label} SOURCES ${src})
  endforeach()
endfunction()

# orvex_publish_folder(<target> <path>)
# Lets <target> and what links it include "<path>/..." headers, and nothing else of the tree.
function(orvex_publish_folder target path)
  orvex_folder_root(root ${path})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

# orvex_folder_root(<var> <path>): sets <var> to an include directory in which "<path>/..." is
# the source folder <path> and nothing else is.
function(orvex_folder_root var path)
  string(MAKE_C_IDENTIFIER ${path} id)
  set(root ${CMAKE_BINARY_DIR}/layers/${id})
  get_filename_component(parent ${root}/${path} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  if(NOT EXISTS ${root}/${path})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/${path} ${root}/${path} SYMBOLIC)
  endif()
  set(${var} ${root} PARENT_SCOPE)
endfunction()
