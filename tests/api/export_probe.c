/* A small library that breaks the export rules on purpose: it shows that
   check_exports.sh notices a stray export. */
__attribute__((visibility("default"))) int PSWInit(void** handle) {
  return handle ? 0 : -2;
}
__attribute__((visibility("default"))) int stray_helper(int x) { return x + 1; }
