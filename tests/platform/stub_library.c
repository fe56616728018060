/* A library for the loader tests of the platform layer: it defines one
 * entry point of its own and, linked without the C library, finds no other
 * name, so a lookup of a C library function in it must fail. */
int psw_stub_entry(void) { return 42; }
