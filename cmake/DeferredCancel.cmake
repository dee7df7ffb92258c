# lumerith_defer_thread_cancel(<executable>)
# Links engine/deferredcancel.cpp into a program that loads SANE and exports
# its pthread_setcanceltype, so that SANE's reader threads are never
# cancelled inside a lock (see that file).
function(lumerith_defer_thread_cancel target)
  target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/engine/deferredcancel.cpp)
  target_link_options(${target} PRIVATE -Wl,--export-dynamic-symbol=pthread_setcanceltype)
  target_link_libraries(${target} PRIVATE ${CMAKE_DL_LIBS})
endfunction()
