// The GUI entry point arrives with the main window.
int main() { return 0; }
