"""Reads an export of the program with readers we did not write and prints
the contacts as JSON: Python's csv module for CSV, vobject for vCard."""
import csv
import json
import sys


def leggi_csv(percorso, separatore):
    with open(percorso, newline="", encoding="utf-8-sig") as f:
        righe = list(csv.reader(f, delimiter=separatore))
    intestazione = righe[0]
    return [dict(zip(intestazione, r)) for r in righe[1:]]


def leggi_vcard(percorso):
    import vobject

    contatti = []
    with open(percorso, encoding="utf-8") as f:
        for card in vobject.readComponents(f.read()):
            c = {
                "FN": card.fn.value,
                "ORG": card.org.value[0] if hasattr(card, "org") else "",
                "EMAIL": card.email.value if hasattr(card, "email") else "",
                "URL": card.url.value if hasattr(card, "url") else "",
                "NOTE": card.note.value if hasattr(card, "note") else "",
                "CATEGORIES": ", ".join(card.categories.value) if hasattr(card, "categories") else "",
            }
            if hasattr(card, "adr"):
                c["CITY"] = card.adr.value.city
                c["CODE"] = card.adr.value.code
            contatti.append(c)
    return contatti


if __name__ == "__main__":
    percorso, tipo = sys.argv[1], sys.argv[2]
    if tipo == "vcard":
        contatti = leggi_vcard(percorso)
    else:
        contatti = leggi_csv(percorso, tipo)
    json.dump(contatti, sys.stdout, ensure_ascii=False, sort_keys=True)
