// Compiled against a core library's usage requirements; must not find Qt.
#include <QObject>
int main() { return 0; }
