#error "the core uses the standard library only, not xcb"
