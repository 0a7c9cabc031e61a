#!/usr/bin/python3
"""The peer of the search box: Python's sqlite3 running, for each text, the
same search as one LIKE query over the address table's columns and the
contact register's, joined by the address, rows in the list's order.

  like_peer.py TABLE_FILE REGISTER_FILE TEXT...

Prints the mean milliseconds per text and the rows of the last one."""
import sqlite3
import sys
import time

tabella, registro, testi = sys.argv[1], sys.argv[2], sys.argv[3:]
db = sqlite3.connect(tabella)
db.execute("ATTACH DATABASE ? AS reg", (registro,))
query = (
    "SELECT r.rowid FROM records r LEFT JOIN reg.registro g ON g.chiave = lower(r.EMail) "
    "WHERE r.Tipo LIKE :t OR r.Ragione_Sociale LIKE :t OR r.Citta LIKE :t OR r.Cap LIKE :t "
    "OR r.EMail LIKE :t OR r.Sito LIKE :t OR r.Note LIKE :t OR g.partita_iva LIKE :t "
    "OR g.codice_fiscale LIKE :t OR g.pec LIKE :t OR g.referente LIKE :t "
    "OR g.etichette LIKE :t OR g.fonte LIKE :t ORDER BY r.Ragione_Sociale")
totale = 0.0
righe = []
for testo in testi:
    inizio = time.perf_counter()
    righe = db.execute(query, {"t": f"%{testo}%"}).fetchall()
    totale += time.perf_counter() - inizio
print(f"{totale * 1000 / len(testi):.3f} {len(righe)}")
