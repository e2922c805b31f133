/* A tiny shared library without a DllGetVersion export. */
__attribute__((visibility("default"))) int tk_test_something_else(void) {
  return 7;
}
