// Race checking in the ThreadSanitizer build of the test programs. cairo is safe to use from
// several threads at once on contexts and surfaces of their own, which is how bitmap passes draw
// their bands; it recycles its patterns and graphics states through lock-free pools whose atomic
// operations are in the uninstrumented library, so ThreadSanitizer sees a block freed to a pool
// by one thread and taken by another without their ordering.
extern "C" const char* __tsan_default_suppressions()
{
  return "race:libcairo.so\n";
}
