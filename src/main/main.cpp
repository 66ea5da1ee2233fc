// STUB: placeholder until the entry point is built; replace the whole file.
int main() { return 1; }
