// Leak checking in the sanitizer builds of the test programs. fontconfig keeps a few
// allocations of its process-wide state until FcFini(), which a program cannot call while
// cairo's font caches still hold its patterns; they are not ours to free. The HEVC encoder
// (x265) keeps a few process-wide tables after its encoders are closed.
extern "C" const char* __lsan_default_suppressions()
{
  return "leak:libfontconfig.so\nleak:libx265.so\n";
}

// Tests print nothing: no summary of the suppressed leaks at exit.
extern "C" const char* __lsan_default_options()
{
  return "print_suppressions=0";
}
