// The marking, export-list and bookmark controls, the export's gauge and the offer to
// open the folder of what it wrote.
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>
#include <filesystem>

#include "player/ListaStacji.h"
#include "ui/TForm3.h"
#include "window/LogikaOkna.h"

void TForm3::PodlaczEksport() {
  connect(BitBtn1, &QPushButton::clicked, this, [this] { Bezpiecznie([this] { logika->Eksport().OznaczOd(); }); });
  connect(BitBtn2, &QPushButton::clicked, this, [this] { Bezpiecznie([this] { logika->Eksport().OznaczDo(); }); });
  connect(BitBtn3, &QPushButton::clicked, this, [this] { Bezpiecznie([this] { logika->Eksport().DodajOdDo(); }); });
  connect(BitBtn5, &QPushButton::clicked, this, [this] { Bezpiecznie([this] { logika->Eksport().CzyscListe(); }); });
  connect(BitBtn4, &QPushButton::clicked, this, [this] { Bezpiecznie([this] { logika->Eksport().Eksportuj(); }); });
  connect(BitBtn6, &QPushButton::clicked, this, [this] { Bezpiecznie([this] { logika->Zakladki().Dodaj(); }); });
  connect(BitBtn7, &QPushButton::clicked, this, [this] { Bezpiecznie([this] { logika->Zakladki().DodajZOpisem(); }); });
  // The bookmark menu opens on the press; with Shift held it deletes.
  connect(BitBtn8, &QPushButton::pressed, this, [this] {
    const bool usuwanie = QApplication::keyboardModifiers() & Qt::ShiftModifier;
    QTimer::singleShot(0, this, [this, usuwanie] { PokazZakladki(usuwanie); });
  });
  connect(ListBox1, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* it) { Bezpiecznie([this, it] { logika->Eksport().GrajZEksportu(ListBox1->row(it)); }); });
  ListBox1->viewport()->installEventFilter(this);
  BitBtn1->installEventFilter(this);
  BitBtn2->installEventFilter(this);

  // The gauge says its percentage and the file being written.
  EksportBar->setTextVisible(true);
  EksportBar->setFormat("%p%");
  // After an export: its folder, opened by the desktop's own file manager (xdg-open).
  PrzyciskFolderu = new QPushButton(QString::fromUtf8("Otwórz folder"), statusBar());
  PrzyciskFolderu->setFlat(true);
  PrzyciskFolderu->setFocusPolicy(Qt::NoFocus);
  PrzyciskFolderu->hide();
  // Right after the message (the bar's one widget that is not permanent), before the rest.
  statusBar()->insertPermanentWidget(1, PrzyciskFolderu);
  connect(PrzyciskFolderu, &QPushButton::clicked, this, [this] { OtworzFolder(); });
}

void TForm3::UstawPlikEksportu(const String& nazwa) {
  // The name cut to what the gauge leaves beside the percentage.
  const QString n = QString::fromStdString(nazwa);
  const int miejsce = EksportBar->width() - EksportBar->fontMetrics().horizontalAdvance("100%   ") - 8;
  EksportBar->setFormat("%p%   " + EksportBar->fontMetrics().elidedText(n, Qt::ElideMiddle, std::max(0, miejsce)));
  EksportBar->setToolTip(QString::fromUtf8("Eksport do pliku ") + n);
}

void TForm3::ZaproponujFolder(const String& plik) {
  folderEksportu = std::filesystem::path(plik).parent_path().string();
  PrzyciskFolderu->setVisible(!plik.empty());
  PrzyciskFolderu->setToolTip(QString::fromUtf8("Otwórz folder ") + QString::fromStdString(folderEksportu));
  if (plik.empty()) {
    EksportBar->setFormat("%p%");
    EksportBar->setToolTip("Eksport");
  }
}

void TForm3::OtworzFolder() {
  const QString folder = QString::fromStdString(folderEksportu.empty() ? String(".") : folderEksportu);
  if (!QProcess::startDetached("xdg-open", {folder})) {
    logika->Status().BardzoLadnyPrint("Nie można otworzyć folderu " + folder.toStdString() +
                                      ": brak programu xdg-open (pakiet xdg-utils)");
  }
}

void TForm3::PokazZakladki(bool usuwanie) {
  BitBtn8->setDown(false);
  WypelnijMenu(PopupMenu5, usuwanie ? listaStacji->UstawMenuUsuwania() : listaStacji->UstawMenuZakladek());
  if (usuwanie) {
    // Deleting must not look like playing: a title over the items and a mark on each.
    const QList<QAction*> pozycje = PopupMenu5->actions();
    for (QAction* a : pozycje) a->setText(QString::fromUtf8("✕  ") + a->text());
    QAction* tytul = new QAction(QString::fromUtf8("Usuń zakładkę"), PopupMenu5);
    tytul->setEnabled(false);
    QFont f = tytul->font();
    f.setBold(true);
    tytul->setFont(f);
    PopupMenu5->insertAction(pozycje.isEmpty() ? nullptr : pozycje.front(), tytul);
    PopupMenu5->insertSeparator(pozycje.isEmpty() ? nullptr : pozycje.front());
  }
  PopupMenu5->popup(BitBtn8->mapToGlobal(QPoint(0, 0)));
}
