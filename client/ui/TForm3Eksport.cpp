// The marking, export-list and bookmark controls.
#include <QApplication>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

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
