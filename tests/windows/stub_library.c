/* The stub libraries' only code: their exports are forwarders. */
int psw_stub_library_marker;
