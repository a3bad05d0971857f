# AddressSanitizer and UndefinedBehaviorSanitizer for every target when NODEWREN_SANITIZE is on.
if(NODEWREN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()
