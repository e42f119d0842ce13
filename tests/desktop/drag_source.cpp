// drag_source FILE...: a small window that, when pressed, drags FILE... out as a file
// manager does (text/uri-list over XDND), so a test can drop them onto the player with
// real mouse input. The URIs percent-encode the names' bytes, which keeps names that are
// not UTF-8.

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QWidget>

namespace {

class Source : public QWidget {
  public:
    explicit Source(QByteArray uris) : uris_(std::move(uris)) {
        setWindowTitle("drag source");
        setGeometry(820, 40, 160, 120);
    }

  protected:
    void mousePressEvent(QMouseEvent*) override {
        auto* data = new QMimeData;
        data->setData("text/uri-list", uris_);
        auto* drag = new QDrag(this);
        drag->setMimeData(data);
        drag->exec(Qt::CopyAction);
    }

  private:
    QByteArray uris_;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QByteArray uris;
    for (int i = 1; i < argc; ++i)
        uris += "file://" + QByteArray(argv[i]).toPercentEncoding("/") + "\r\n";
    Source source(uris);
    source.show();
    return QApplication::exec();
}
