#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QLabel placeholder(QStringLiteral("Tavrin"));
    placeholder.resize(370, 373);
    placeholder.show();
    return app.exec();
}
