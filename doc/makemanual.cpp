// Build step: lays out the user manual (Markdown) and prints it to a PDF.
//   makemanual <manual.md> <output.pdf>
// Runs without a screen: the offscreen platform is used unless another one
// is asked for.

#include <QFile>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: makemanual <manual.md> <output.pdf>\n");
        return 2;
    }

    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "makemanual: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString markdown = QString::fromUtf8(source.readAll());

    const QString outputName = QString::fromLocal8Bit(argv[2]);
    // Written beside the target first, so an interrupted build leaves no
    // half a manual under the real name.
    const QString partName = outputName + ".part";
    {
        QPdfWriter pdf(partName);
        pdf.setTitle("Velkast Manual");
        pdf.setCreator("Velkast for BVE");
        pdf.setResolution(300);
        pdf.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 20),
                        QPageLayout::Millimeter));

        QTextDocument document;
        QFont font("DejaVu Sans");
        font.setPointSizeF(10.5);
        document.setDefaultFont(font);
        document.setDefaultStyleSheet("code { font-family: 'DejaVu Sans Mono'; }");
        document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
        document.print(&pdf);
    }
    QFile::remove(outputName);
    if (!QFile::rename(partName, outputName)) {
        std::fprintf(stderr, "makemanual: cannot write %s\n", argv[2]);
        QFile::remove(partName);
        return 1;
    }
    return 0;
}
