# Runs zorrit-art as a user would: the five bitmaps it writes must equal the
# committed ones, and the contact sheet must be a PNG.
# cmake -DTOOL=... -DOUT=... -DCOMMITTED=... -P run_art_tool.cmake
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
execute_process(COMMAND "${TOOL}" --write "${OUT}" --contact-sheet "${OUT}/contact.png" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "zorrit-art failed: ${result}")
endif()
foreach(name zorrit.bmp escape.bmp character_sheet.bmp icon.bmp text_font.bmp)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${OUT}/${name}" "${COMMITTED}/${name}"
                  RESULT_VARIABLE different)
  if(different)
    message(FATAL_ERROR "${name} differs from resources/bitmaps; run zorrit-art --write resources/bitmaps")
  endif()
endforeach()
file(READ "${OUT}/contact.png" signature LIMIT 8 HEX)
if(NOT signature STREQUAL "89504e470d0a1a0a")
  message(FATAL_ERROR "the contact sheet is not a PNG")
endif()
