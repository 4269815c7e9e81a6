#include "editor/formtrain.h"

#include "editor/appforms.h"
#include "editor/formoptions.h"
#include "editor/msginisupp.h"
#include "editor/vclwidgets.h"
#include "platform/gui/dialogs.h"
#include "platform/paths.h"
#include "platform/textlines.h"

#include <QFile>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <filesystem>

TFormTrain* FormTrain = nullptr;

namespace fs = std::filesystem;

namespace {

QString NativeName(const std::string& name) { return QFile::decodeName(QByteArray::fromStdString(name)); }

// The platform's text for a file that cannot be opened or read.
std::string FileError(const std::string& path, const QString& reason)
{
    return "Cannot open file \"" + QToAnsi(NativeName(path)) + "\". " + QToAnsi(reason);
}

// Reads a whole file; on failure leaves the reason in error.
bool ReadWholeFile(const std::string& path, QByteArray& data, QString& error)
{
    QFile file(NativeName(path));
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return false;
    }
    return true;
}

} // namespace

TFormTrain::TFormTrain(QWidget* parent) : QDialog(parent)
{
    setObjectName("FormTrain");
    setWindowTitle("Velkast - Browse Trains...");

    Label1 = new QLabel("Installed Trains:", this);
    Label1->setObjectName("Label1");
    TrainList = new QListWidget(this);
    TrainList->setObjectName("TrainList");
    TrainList->setSelectionMode(QAbstractItemView::SingleSelection);
    Image1 = new QLabel(this);
    Image1->setObjectName("Image1");
    SetTranslatable(Image1, false);
    Image1->setMinimumSize(160, 120);
    Image1->setAlignment(Qt::AlignCenter);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    bOK = new QPushButton("OK", this);
    bOK->setObjectName("bOK");
    bOK->setDefault(true);

    auto* right = new QVBoxLayout;
    right->addWidget(Image1);
    right->addWidget(Memo1, 1);
    auto* left = new QVBoxLayout;
    left->addWidget(Label1);
    left->addWidget(TrainList, 1);
    auto* body = new QHBoxLayout;
    body->addLayout(left, 1);
    body->addLayout(right, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bOK);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(buttons);
    resize(560, 380);

    connect(TrainList, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { TrainListClick(TrainList->row(item)); });
    connect(bOK, &QPushButton::clicked, this, &TFormTrain::bOKClick);

    FillTrainList();
}

std::string TFormTrain::TrainFolder()
{
    if (!FormOptions || FormOptions->BveFolder.empty())
        return {};
    return ResolvePathCase(IncludeTrailingPathDelimiter(FormOptions->BveFolder) + "Train");
}

void TFormTrain::FillTrainList()
{
    TrainList->clear();
    const std::string folder = TrainFolder();
    if (folder.empty())
        return;
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.')
            continue;
        const fs::file_status st = it->symlink_status(ec);
        if (ec || !fs::is_directory(st))
            continue;
        if ((st.permissions() & fs::perms::owner_write) == fs::perms::none)
            continue;
        auto* item = new QListWidgetItem(NativeName(name), TrainList);
        // A route file could not name this train.
        if (!ModelName(name)) {
            item->setForeground(TrainList->palette().brush(QPalette::Disabled, QPalette::Text));
            item->setToolTip(AnsiToQ(GetMessageText("tmain_name_not_ansi")));
        }
    }
}

std::vector<std::string> TFormTrain::TrainNames() const
{
    std::vector<std::string> names;
    for (int i = 0; i < TrainList->count(); ++i)
        if (auto name = ModelName(QFile::encodeName(TrainList->item(i)->text()).toStdString()))
            names.push_back(*name);
    return names;
}

void TFormTrain::TrainListClick(int row)
{
    const QListWidgetItem* item = TrainList->item(row);
    const std::string trains = TrainFolder();
    if (!item || trains.empty())
        return;
    const std::string folder =
        IncludeTrailingPathDelimiter(trains) + QFile::encodeName(item->text()).toStdString() + "/";

    const std::string picture = ResolvePathCase(folder + "train.bmp");
    QByteArray data;
    QString error;
    if (!ReadWholeFile(picture, data, error)) {
        MessageDlg(FileError(picture, error), mtError, mbOK);
        return;
    }
    QImage image;
    if (!image.loadFromData(data)) {
        MessageDlg(GetMessageText("utrain_bad_bitmap") + QToAnsi(NativeName(picture)), mtError, mbOK);
        return;
    }
    Image1->setPixmap(QPixmap::fromImage(image).scaled(Image1->size(), Qt::KeepAspectRatio));

    const std::string text = ResolvePathCase(folder + "train.txt");
    if (!ReadWholeFile(text, data, error)) {
        MessageDlg(FileError(text, error), mtError, mbOK);
        return;
    }
    Memo1->setPlainText(AnsiToQ(data.toStdString()));
}

void TFormTrain::bOKClick() { accept(); }

void TFormTrain::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        FillTrainList();
    QDialog::showEvent(event);
}
