// The cost of a process that does nothing: what the launcher's instruction
// count is measured against.
int main(void) { return 0; }
