# PSW_SANITIZE=address builds everything with ASan+UBSan, =thread with TSan.
if(PSW_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
  if(CMAKE_C_COMPILER_ID MATCHES "Clang")
    # C programs that load libpsw.so need UBSan's C++ part (and the C++
    # library it uses), which clang links only into C++ programs unless asked.
    # Only programs: a C stub library must keep depending on nothing.
    add_link_options(
      "$<$<AND:$<LINK_LANGUAGE:C>,$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>>:-fsanitize-link-c++-runtime;-lstdc++>")
  endif()
elseif(PSW_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT PSW_SANITIZE STREQUAL "")
  message(FATAL_ERROR "PSW_SANITIZE must be empty, 'address' or 'thread'")
endif()
