/* The body of the sample's programs: started, they end at once with exit
   code 0, so that a real Windows (or Wine) runs them as the simulated
   machine does. No C runtime: the entry point is the whole program. */
int __attribute__((stdcall)) program_entry(void *unused) __asm__("program_entry");

int __attribute__((stdcall)) program_entry(void *unused) {
  (void)unused;
  return 0;
}
