// Process entry of the engine.
int main() { return 0; }
