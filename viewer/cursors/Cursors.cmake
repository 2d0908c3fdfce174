# Cursors.cmake — the auto-scroll mark and cursors of the viewer control, one list for every target
# that carries them: the static viewer library gives them to the programs that link it, the shared
# library embeds them itself. They are read as ":/viewer/<name>.png".
set(VORNEX_VIEWER_CURSORS QB_MOVE.png QB_MOVE_C.png QB_MOVE_U.png QB_MOVE_D.png QB_MOVE_L.png
    QB_MOVE_R.png)
set(VORNEX_VIEWER_CURSOR_DIR ${CMAKE_CURRENT_LIST_DIR})

function(vornex_add_viewer_cursors target)
  list(TRANSFORM VORNEX_VIEWER_CURSORS PREPEND ${VORNEX_VIEWER_CURSOR_DIR}/ OUTPUT_VARIABLE files)
  qt_add_resources(${target} ${target}_cursors PREFIX "/viewer" BASE ${VORNEX_VIEWER_CURSOR_DIR}
    FILES ${files})
endfunction()
