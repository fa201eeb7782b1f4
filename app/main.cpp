// The program. Until the frame window exists it only says so.
#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMessageBox::information(nullptr, "KV-Zirt", "KV-Zirt: the frame window is not built yet.");
    return 0;
}
