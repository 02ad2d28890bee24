#include "ui/LayoutCheck.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

void Settle()
{
    for (int pass = 0; pass < 10; ++pass) {
        QCoreApplication::processEvents();
    }
}

bool Names(const std::vector<std::string>& problems, const std::string& part)
{
    return std::any_of(problems.begin(), problems.end(),
                       [&part](const std::string& problem) { return problem.find(part) != std::string::npos; });
}

} // namespace

// The check must see each kind of cut-off a person would see, and nothing in a window
// whose layout gives every widget its room.
TEST(LayoutCheck, NamesEachCutOffWidget)
{
    QWidget window;
    window.resize(300, 200);
    auto* label = new QLabel("A label with a rather long text", &window);
    label->setObjectName("longLabel");
    label->setGeometry(0, 0, 40, 20);
    auto* check = new QCheckBox("&Keep the last version", &window);
    check->setObjectName("keepBox");
    check->setGeometry(0, 30, 60, 20);
    auto* radio = new QRadioButton("Overwrite all files", &window);
    radio->setGeometry(0, 60, 50, 20);
    auto* button = new QPushButton("Restore the selected files", &window);
    button->setGeometry(0, 90, 50, 25);
    auto* group = new QGroupBox("Destination of the backup", &window);
    group->setGeometry(0, 120, 40, 30);
    auto* outside = new QPushButton("OK", &window);
    outside->setObjectName("okBtn");
    outside->setGeometry(260, 170, 80, 25);
    auto* wrapped = new QLabel("Words that wrap onto more lines than the label is high", &window);
    wrapped->setObjectName("wrapped");
    wrapped->setWordWrap(true);
    wrapped->setGeometry(100, 0, 80, 16);
    window.show();
    Settle();

    const std::vector<std::string> problems = LayoutProblems(window);
    EXPECT_TRUE(Names(problems, "QLabel 'A label with a rather long text' (longLabel): text needs")) << problems[0];
    EXPECT_TRUE(Names(problems, "(keepBox): text beside its indicator"));
    EXPECT_TRUE(Names(problems, "QRadioButton 'Overwrite all files'"));
    EXPECT_TRUE(Names(problems, "QPushButton 'Restore the selected files': text"));
    EXPECT_TRUE(Names(problems, "QGroupBox 'Destination of the backup': title"));
    EXPECT_TRUE(Names(problems, "(okBtn): lies partly outside its window"));
    EXPECT_TRUE(Names(problems, "(wrapped): wrapped text height"));
    EXPECT_EQ(problems.size(), 7U);
}

TEST(LayoutCheck, LaidOutWindowIsTidy)
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* group = new QGroupBox("Destination of the backup");
    auto* inner = new QVBoxLayout(group);
    inner->addWidget(new QCheckBox("&Keep the last version"));
    inner->addWidget(new QRadioButton("Overwrite all files"));
    layout->addWidget(new QLabel("A label with a rather long text"));
    layout->addWidget(group);
    layout->addWidget(new QPushButton("Restore the selected files"));
    auto* wrapped = new QLabel("Words that wrap onto more lines than one, as the layout allows");
    wrapped->setWordWrap(true);
    layout->addWidget(wrapped);
    window.show();
    Settle();
    EXPECT_TRUE(LayoutProblems(window).empty()) << LayoutProblems(window).front();
}
