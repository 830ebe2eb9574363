# The module's resources: the two factory banks ("FACTORYBANK" "BANK_1" and "BANK_2").
# Native builds compile them from their sources in resources/banks/ with pellory-bankc, so an
# edit of a bank source reaches the plug-in in the same build. Cross builds cannot run a
# native tool and embed the committed resources/banks/bank1.syx and bank2.syx; a test keeps
# those equal to what the sources compile to.
set(PELLORY_BANK_SOURCE_DIR ${PROJECT_SOURCE_DIR}/resources/banks)
set(PELLORY_BANK_BUILD_DIR ${PROJECT_BINARY_DIR}/banks)

foreach(bank 1 2)
  set(source ${PELLORY_BANK_SOURCE_DIR}/bank${bank}.txt)
  set(committed ${PELLORY_BANK_SOURCE_DIR}/bank${bank}.syx)
  if(NOT CMAKE_CROSSCOMPILING AND EXISTS ${source})
    set(image ${PELLORY_BANK_BUILD_DIR}/BANK_${bank}.syx)
    add_custom_command(OUTPUT ${image}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PELLORY_BANK_BUILD_DIR}
      COMMAND pellory-bankc --bank ${bank} ${source} ${image}
      DEPENDS pellory-bankc ${source}
      COMMENT "Compiling factory bank ${bank}" VERBATIM)
    list(APPEND PELLORY_RESOURCES FACTORYBANK BANK_${bank} ${image})
  elseif(EXISTS ${committed})
    list(APPEND PELLORY_RESOURCES FACTORYBANK BANK_${bank} ${committed})
  else()
    message(STATUS "Factory bank ${bank}: no source and no compiled bank; the module carries none")
  endif()
endforeach()

# After editing a bank source: `ninja pellory-update-banks` refreshes the committed images
# that the cross builds embed.
if(NOT CMAKE_CROSSCOMPILING AND EXISTS ${PELLORY_BANK_SOURCE_DIR}/bank1.txt
   AND EXISTS ${PELLORY_BANK_SOURCE_DIR}/bank2.txt)
  add_custom_target(pellory-update-banks
    COMMAND ${CMAKE_COMMAND} -E copy ${PELLORY_BANK_BUILD_DIR}/BANK_1.syx ${PELLORY_BANK_SOURCE_DIR}/bank1.syx
    COMMAND ${CMAKE_COMMAND} -E copy ${PELLORY_BANK_BUILD_DIR}/BANK_2.syx ${PELLORY_BANK_SOURCE_DIR}/bank2.syx
    DEPENDS ${PELLORY_BANK_BUILD_DIR}/BANK_1.syx ${PELLORY_BANK_BUILD_DIR}/BANK_2.syx
    COMMENT "Copying the compiled factory banks into resources/banks" VERBATIM)
endif()

# The editor's bitmaps: PNG resources 101..121 in this order. The PNGs are committed, drawn by
# scripts/make-art.sh from tools/art, so a build needs no art tools.
set(PELLORY_BITMAPS back button button_led_off button_led_on button_small_led_off
    button_small_led_on knob handle digits digits_small dot blind editor browse triangle ramp saw
    rect square learn unlearn)
set(PELLORY_BITMAP_DIR ${PROJECT_SOURCE_DIR}/resources/img)
set(id 101)
foreach(bitmap ${PELLORY_BITMAPS})
  list(APPEND PELLORY_RESOURCES PNG ${id} ${PELLORY_BITMAP_DIR}/${bitmap}.png)
  math(EXPR id "${id} + 1")
endforeach()
