#include "ui/CartellaFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace brivano {

namespace {

QString& UltimaCartella() {
    static QString cartella;
    return cartella;
}

QString CartellaIniziale() {
    QString documenti = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documenti.isEmpty() && QDir(documenti).exists()) return documenti;
    return QDir::homePath();
}

}  // namespace

QString PercorsoProposto(const QString& nome) {
    const QString cartella = UltimaCartella().isEmpty() ? CartellaIniziale() : UltimaCartella();
    return nome.isEmpty() ? cartella : QDir(cartella).filePath(nome);
}

void RicordaCartella(const QString& file) {
    if (file.isEmpty()) return;
    UltimaCartella() = QFileInfo(file).absolutePath();
}

}  // namespace brivano
