// Leak checking in the sanitizer build of the application. fontconfig keeps its process-wide
// state until FcFini(), which cairo's font caches prevent, and the desktop's D-Bus library keeps
// a connection buffer for the life of the process; neither is ours to free.
extern "C" const char* __lsan_default_suppressions()
{
  return "leak:libfontconfig.so\nleak:libdbus-1.so\n";
}

extern "C" const char* __lsan_default_options()
{
  return "print_suppressions=0";
}
