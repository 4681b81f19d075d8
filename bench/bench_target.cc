// bench_target: the application the benchmark starts.  Exits at once, so
// that what is measured is the starting, not the started.

int main() { return 0; }
