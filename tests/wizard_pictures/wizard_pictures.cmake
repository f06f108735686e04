# The pictures of the wizard (scripts/wizard-screenshots.sh): the tour that
# goes through SETUP.EXE's wizard under Wine the way a person would and
# pictures each page and dialog, and the test that a run of the script leaves
# the whole set, every page and dialog in every language the sample offers.
# The pictured build is the i686 one, under 32-bit Wine as Windows 98.
if(NOT WIN32)
  return()
endif()
add_executable(wizard_tour ${CMAKE_CURRENT_LIST_DIR}/wizard_tour.cpp)
target_include_directories(wizard_tour PRIVATE ${PROJECT_SOURCE_DIR}/resources)
target_link_libraries(wizard_tour PRIVATE user32 gdi32)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  add_test(NAME wine_wizard_pictures
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/check_pictures.sh ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR})
  set_tests_properties(wine_wizard_pictures PROPERTIES LABELS wine TIMEOUT 900 RESOURCE_LOCK xvfb)
endif()
