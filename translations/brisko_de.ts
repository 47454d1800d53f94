<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>Batch</name>
    <message>
        <source>Try &apos;brisko-batch --help&apos;.</source>
        <translation>„brisko-batch --help“ zeigt die Hilfe.</translation>
    </message>
    <message>
        <source>%1 needs a number</source>
        <translation>%1 braucht eine Zahl</translation>
    </message>
    <message>
        <source>%1 needs a whole number, not &quot;%2&quot;</source>
        <translation>%1 braucht eine ganze Zahl, nicht „%2“</translation>
    </message>
    <message>
        <source>unknown option %1</source>
        <translation>unbekannte Option %1</translation>
    </message>
    <message>
        <source>no file or folder given</source>
        <translation>keine Datei und kein Ordner angegeben</translation>
    </message>
    <message>
        <source>%1: %2
</source>
        <translation>%1: %2
</translation>
    </message>
    <message>
        <source>%1: %2 - %3
</source>
        <translation>%1: %2 – %3
</translation>
    </message>
    <message>
        <source>%1 left</source>
        <translation>noch %1</translation>
    </message>
    <message>
        <source>%1/%2 files  %3 files/s  %4</source>
        <translation>%1/%2 Dateien  %3 Dateien/s  %4</translation>
    </message>
    <message>
        <source>Stopped: %1 of %2 files done, nothing else written.
</source>
        <translation>Angehalten: %1 von %2 Dateien fertig, sonst wurde nichts geschrieben.
</translation>
    </message>
    <message>
        <source>Status (dry run)</source>
        <translation>Status (Probelauf)</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Dateien</translation>
    </message>
    <message>
        <source>Total</source>
        <translation>Gesamt</translation>
    </message>
    <message>
        <source>Bytes saved: %1 (%2 to %3) in %4, %5 files/s
</source>
        <translation>Gesparte Bytes: %1 (%2 auf %3) in %4, %5 Dateien/s
</translation>
    </message>
    <message>
        <source>1 other name outside this run keeps the old picture</source>
        <translation>1 weiterer Name außerhalb dieses Laufs behält das alte Bild</translation>
    </message>
    <message>
        <source>%1 other names outside this run keep the old picture</source>
        <translation>%1 weitere Namen außerhalb dieses Laufs behalten das alte Bild</translation>
    </message>
    <message>
        <source>%1 keeps the old picture: %2</source>
        <translation>%1 behält das alte Bild: %2</translation>
    </message>
    <message>
        <source>changed by another program while being converted</source>
        <translation>während der Umwandlung von einem anderen Programm geändert</translation>
    </message>
    <message>
        <source>%1: cannot be read</source>
        <translation>%1: kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>%1: no such file or folder</source>
        <translation>%1: Datei oder Ordner nicht vorhanden</translation>
    </message>
    <message>
        <source>%1: not a regular file or folder</source>
        <translation>%1: keine reguläre Datei und kein Ordner</translation>
    </message>
    <message>
        <source>Why players may not show the art</source>
        <translation>Warum Player das Bild nicht zeigen könnten</translation>
    </message>
    <message>
        <source>Ready</source>
        <translation>Bereit</translation>
    </message>
    <message>
        <source>%1 needs a number of bytes, with K or M after it for kilobytes or megabytes, not &quot;%2&quot;</source>
        <translation>%1 braucht eine Zahl von Bytes, mit K oder M dahinter für Kilobyte oder Megabyte, nicht „%2“</translation>
    </message>
    <message>
        <source>Usage: brisko-batch [options] PATH...
Shrinks the album art of music files: picture 1 of each file becomes a
baseline JPEG whose longer side is the size. Folders are searched with
their subfolders for the music files named as below.

  --size N        longer side in pixels, 100 to 1000 (default: the desktop
                  program&apos;s setting, else 250)
  --quality N     JPEG quality, 50 to 100 (default: its setting, else 80)
  --skip-smaller  leave pictures alone whose both sides are within the size
  --enlarge       let smaller pictures grow to the size (they keep theirs)
  --force         convert again a picture already a baseline JPEG within
                  the size (such files are left alone, &quot;Unchanged&quot;)
  --all-pictures  every picture larger than the size, not only picture 1
  --max-bytes N   no new picture longer than N bytes (K and M for kilobytes
                  and megabytes, 0 for no limit; default: its setting):
                  the quality steps down to 50, then the size to 100 pixels
  --front-cover-first  move a front cover that is not picture 1 ahead of
                  the others, and convert it
  --folder-art    give a file without a picture its folder&apos;s cover.jpg,
                  folder.jpg, front.jpg or album.jpg (.jpeg and .png too)
  --check         write nothing: list the files whose art a player may not
                  show well, and why (with --json, the facts of each file)
  --jobs N        files converted or checked at once (default: one per core)
  --dry-run       tell what would change, write nothing
  --json          one JSON object per file on standard output
  --help          this text
  --version       the version

Music files:
%1
Exit status: 0 when no file failed (with --check: when every file is ready),
1 when some did (were not), 2 for a usage error,
130 when stopped by Ctrl-C (143 by SIGTERM, 141 when the output was closed).
</source>
        <translation>Aufruf: brisko-batch [Optionen] PFAD...
Verkleinert die Cover von Musikdateien: Bild 1 jeder Datei wird ein
Baseline-JPEG, dessen längere Seite die Größe hat. Ordner werden samt
Unterordnern nach den unten genannten Musikdateien durchsucht.

  --size N        längere Seite in Pixeln, 100 bis 1000 (Vorgabe: die
                  Einstellung des Desktop-Programms, sonst 250)
  --quality N     JPEG-Qualität, 50 bis 100 (Vorgabe: die Einstellung, sonst 80)
  --skip-smaller  Bilder, deren beide Seiten in die Größe passen, nicht ändern
  --enlarge       kleinere Bilder auf die Größe vergrößern (sonst bleiben sie)
  --force         auch ein Bild neu umwandeln, das schon ein Baseline-JPEG
                  in der Größe ist (solche Dateien bleiben sonst „Unverändert“)
  --all-pictures  jedes Bild über der Größe, nicht nur Bild 1
  --max-bytes N   kein neues Bild länger als N Bytes (K und M für Kilobyte
                  und Megabyte, 0 für keine Grenze; Vorgabe: die Einstellung):
                  erst sinkt die Qualität bis 50, dann die Größe bis 100 Pixel
  --front-cover-first  eine Vorderseite, die nicht Bild 1 ist, vor die anderen
                  Bilder stellen und umwandeln
  --folder-art    einer Datei ohne Bild das cover.jpg, folder.jpg, front.jpg
                  oder album.jpg ihres Ordners geben (auch .jpeg und .png)
  --check         nichts schreiben: die Dateien auflisten, deren Bild ein Player
                  nicht gut zeigen könnte, und warum (mit --json die Angaben
                  jeder Datei)
  --jobs N        gleichzeitig umgewandelte oder geprüfte Dateien (Vorgabe: eine je Kern)
  --dry-run       zeigen, was sich ändern würde, nichts schreiben
  --json          ein JSON-Objekt je Datei auf der Standardausgabe
  --help          dieser Text
  --version       die Version

Musikdateien:
%1
Rückgabewert: 0, wenn keine Datei fehlschlug (mit --check: wenn jede Datei
bereit ist), 1, wenn welche fehlschlugen (nicht bereit waren), 2 bei falschem
Aufruf, 130 nach Abbruch mit Strg+C (143 durch SIGTERM, 141, wenn die Ausgabe
geschlossen wurde).
</translation>
    </message>
</context>
<context>
    <name>DeRezovivAvo</name>
    <message>
        <source>Invalid property value.</source>
        <translation>Ungültiger Eigenschaftswert.</translation>
    </message>
</context>
<context>
    <name>Engine</name>
    <message>
        <source>Invalid procedure call or argument</source>
        <translation>Ungültiger Prozeduraufruf oder ungültiges Argument</translation>
    </message>
    <message>
        <source>Overflow</source>
        <translation>Überlauf</translation>
    </message>
    <message>
        <source>Out of memory</source>
        <translation>Nicht genügend Speicher</translation>
    </message>
    <message>
        <source>User interrupt occurred</source>
        <translation>Vom Benutzer unterbrochen</translation>
    </message>
    <message>
        <source>File not found</source>
        <translation>Datei nicht gefunden</translation>
    </message>
    <message>
        <source>Path/File access error</source>
        <translation>Fehler beim Zugriff auf Pfad/Datei</translation>
    </message>
    <message>
        <source>Path not found</source>
        <translation>Pfad nicht gefunden</translation>
    </message>
    <message>
        <source>Invalid picture</source>
        <translation>Ungültiges Bild</translation>
    </message>
    <message>
        <source>File Timestamp Failed</source>
        <translation>Dateizeitstempel fehlgeschlagen</translation>
    </message>
    <message>
        <source>Property is read-only at run time.</source>
        <translation>Die Eigenschaft ist zur Laufzeit schreibgeschützt.</translation>
    </message>
    <message>
        <source>Cancel was selected</source>
        <translation>Abbrechen wurde gewählt</translation>
    </message>
    <message>
        <source>Unexpected error</source>
        <translation>Unerwarteter Fehler</translation>
    </message>
    <message>
        <source>Application-defined or object-defined error</source>
        <translation>Anwendungs- oder objektdefinierter Fehler</translation>
    </message>
    <message>
        <source>the tag cannot be read whole: %1</source>
        <translation>das Tag kann nicht vollständig gelesen werden: %1</translation>
    </message>
    <message>
        <source>cannot write the new file: %1</source>
        <translation>die neue Datei kann nicht geschrieben werden: %1</translation>
    </message>
    <message>
        <source>cannot read the file: %1</source>
        <translation>die Datei kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>the file cannot be found: %1</source>
        <translation>die Datei ist nicht zu finden: %1</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>keine reguläre Datei</translation>
    </message>
    <message>
        <source>the file is read-only</source>
        <translation>die Datei ist schreibgeschützt</translation>
    </message>
    <message>
        <source>the folder does not allow new files</source>
        <translation>im Ordner dürfen keine neuen Dateien angelegt werden</translation>
    </message>
    <message>
        <source>changed by another program</source>
        <translation>von einem anderen Programm geändert</translation>
    </message>
    <message>
        <source>not enough free space for the new file and 256,000 bytes more</source>
        <translation>nicht genug freier Speicher für die neue Datei und 256.000 Bytes mehr</translation>
    </message>
    <message>
        <source>the file is shorter than expected</source>
        <translation>die Datei ist kürzer als erwartet</translation>
    </message>
    <message>
        <source>the new file did not read back as written</source>
        <translation>die neue Datei ließ sich nicht so zurücklesen, wie sie geschrieben wurde</translation>
    </message>
    <message>
        <source>cannot set the new file&apos;s time: %1</source>
        <translation>die Zeit der neuen Datei kann nicht gesetzt werden: %1</translation>
    </message>
    <message>
        <source>cannot flush the new file to disk: %1</source>
        <translation>die neue Datei kann nicht auf den Datenträger geschrieben werden: %1</translation>
    </message>
    <message>
        <source>Resize Settings  Size:%1  Quality:%2</source>
        <translation>Skalierung  Größe:%1  Qualität:%2</translation>
    </message>
    <message>
        <source>Resize Manually Set  Size:%1  Quality:%2</source>
        <translation>Skalierung manuell  Größe:%1  Qualität:%2</translation>
    </message>
    <message>
        <source>Picture too large: it needs %1 MB to decode, more than the %2 MB allowed</source>
        <translation>Bild zu groß: das Dekodieren braucht %1 MB, mehr als die erlaubten %2 MB</translation>
    </message>
    <message>
        <source>cannot look at the new file</source>
        <translation>die neue Datei kann nicht geprüft werden</translation>
    </message>
    <message>
        <source>the file belongs to another user (%1), and a new file made now would belong to this one: left as it is</source>
        <translation>die Datei gehört einem anderen Benutzer (%1), und eine jetzt angelegte neue Datei gehörte diesem: unverändert gelassen</translation>
    </message>
    <message>
        <source>the file&apos;s group (%1) cannot be kept: left as it is</source>
        <translation>die Gruppe der Datei (%1) kann nicht beibehalten werden: unverändert gelassen</translation>
    </message>
    <message>
        <source>the file&apos;s permissions (%1) cannot be kept</source>
        <translation>die Zugriffsrechte der Datei (%1) können nicht beibehalten werden</translation>
    </message>
    <message>
        <source>the file&apos;s extended attributes cannot be read</source>
        <translation>die erweiterten Attribute der Datei können nicht gelesen werden</translation>
    </message>
    <message>
        <source>the extended attribute %1 cannot be read</source>
        <translation>das erweiterte Attribut %1 kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>the extended attribute %1 cannot be kept</source>
        <translation>das erweiterte Attribut %1 kann nicht beibehalten werden</translation>
    </message>
    <message>
        <source>the extended attribute %1 cannot be removed from the new file</source>
        <translation>das erweiterte Attribut %1 kann nicht von der neuen Datei entfernt werden</translation>
    </message>
    <message>
        <source>1 file was left out: its name is not valid UTF-8, which Brisko cannot show.<byte value="xd"/>
brisko-batch converts such files from a terminal.</source>
        <translation>1 Datei wurde ausgelassen: ihr Name ist kein gültiges UTF-8, das kann Brisko nicht anzeigen.<byte value="xd"/>
brisko-batch wandelt solche Dateien im Terminal um.</translation>
    </message>
    <message>
        <source>%1 files were left out: their names are not valid UTF-8, which Brisko cannot show.<byte value="xd"/>
brisko-batch converts such files from a terminal.</source>
        <translation>%1 Dateien wurden ausgelassen: ihre Namen sind kein gültiges UTF-8, das kann Brisko nicht anzeigen.<byte value="xd"/>
brisko-batch wandelt solche Dateien im Terminal um.</translation>
    </message>
    <message>
        <source>the ID3v2 tag holds bytes that are not frames</source>
        <translation>das ID3v2-Tag enthält Bytes, die keine Frames sind</translation>
    </message>
    <message>
        <source>the ID3v2.2 frame %1 has no ID3v2.3 counterpart</source>
        <translation>der ID3v2.2-Frame %1 hat keine Entsprechung in ID3v2.3</translation>
    </message>
    <message>
        <source>not enough memory for the picture</source>
        <translation>nicht genügend Speicher für das Bild</translation>
    </message>
    <message>
        <source>the file is locked by another program</source>
        <translation>die Datei ist von einem anderen Programm gesperrt</translation>
    </message>
    <message>
        <source>the file keeps being replaced by another program</source>
        <translation>die Datei wird immer wieder von einem anderen Programm ersetzt</translation>
    </message>
    <message>
        <source>Damaged picture: cut short</source>
        <translation>Beschädigtes Bild: abgeschnitten</translation>
    </message>
    <message>
        <source>Damaged picture: it declares no size</source>
        <translation>Beschädigtes Bild: es gibt keine Größe an</translation>
    </message>
    <message>
        <source>Picture too large: %1 x %2 is beyond the limits</source>
        <translation>Bild zu groß: %1 x %2 liegt über den Grenzen</translation>
    </message>
    <message>
        <source>Picture too large: %1 x %2 needs %3 MB to decode, more than the %4 MB allowed</source>
        <translation>Bild zu groß: %1 x %2 braucht zum Dekodieren %3 MB, mehr als die erlaubten %4 MB</translation>
    </message>
    <message>
        <source>unsupported picture (%1)</source>
        <translation>nicht unterstütztes Bild (%1)</translation>
    </message>
    <message>
        <source>unsupported picture format</source>
        <translation>nicht unterstütztes Bildformat</translation>
    </message>
    <message>
        <source>empty picture</source>
        <translation>leeres Bild</translation>
    </message>
    <message>
        <source>damaged picture</source>
        <translation>beschädigtes Bild</translation>
    </message>
    <message>
        <source>Damaged picture: its header changed</source>
        <translation>Beschädigtes Bild: sein Kopf hat sich geändert</translation>
    </message>
    <message>
        <source>cannot create the new file: %1</source>
        <translation>die neue Datei kann nicht angelegt werden: %1</translation>
    </message>
    <message>
        <source>cannot name the new file: %1</source>
        <translation>die neue Datei kann nicht benannt werden: %1</translation>
    </message>
    <message>
        <source>cannot replace the file: %1</source>
        <translation>die Datei kann nicht ersetzt werden: %1</translation>
    </message>
    <message>
        <source>File not found: %1</source>
        <translation>Datei nicht gefunden: %1</translation>
    </message>
    <message>
        <source>Cannot read %1: %2</source>
        <translation>%1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>an ID3v2 tag at the end of the file</source>
        <translation>ein ID3v2-Tag am Ende der Datei</translation>
    </message>
    <message>
        <source>picture %1 cannot be read</source>
        <translation>Bild %1 kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>there is no picture %1</source>
        <translation>es gibt kein Bild %1</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>%1 kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>no file is open</source>
        <translation>keine Datei ist geöffnet</translation>
    </message>
    <message>
        <source>cannot read %1: %2</source>
        <translation>%1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>the file is not open: %1</source>
        <translation>die Datei ist nicht geöffnet: %1</translation>
    </message>
    <message>
        <source>the file was changed by another program after it was read</source>
        <translation>die Datei wurde nach dem Lesen von einem anderen Programm geändert</translation>
    </message>
    <message>
        <source>the file has an ID3v2 tag at its end, which would be left behind</source>
        <translation>die Datei hat an ihrem Ende ein ID3v2-Tag, das zurückbliebe</translation>
    </message>
    <message>
        <source>the file holds no audio</source>
        <translation>die Datei enthält keine Audiodaten</translation>
    </message>
    <message>
        <source>the new tag does not read back as written</source>
        <translation>das neue Tag ließ sich nicht so zurücklesen, wie es geschrieben wurde</translation>
    </message>
    <message>
        <source>the ID3v1 tag cannot be read</source>
        <translation>das ID3v1-Tag kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>Can&apos;t continue
Drive: %1 is unavailable</source>
        <translation>Fortsetzen nicht möglich
Laufwerk: %1 ist nicht verfügbar</translation>
    </message>
    <message>
        <source>Picture refused: a BMP of %1 bits a pixel with compression %2 cannot be read</source>
        <translation>Bild abgelehnt: ein BMP mit %1 Bit pro Pixel und Kompression %2 kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>Damaged picture: its GIF data cannot be decoded</source>
        <translation>Beschädigtes Bild: seine GIF-Daten lassen sich nicht dekodieren</translation>
    </message>
    <message>
        <source>no picture to write</source>
        <translation>kein Bild zum Schreiben</translation>
    </message>
    <message>
        <source>the ID3v2 tag is too large: %1 MB, more than the %2 MB allowed</source>
        <translation>das ID3v2-Tag ist zu groß: %1 MB, mehr als die erlaubten %2 MB</translation>
    </message>
    <message>
        <source>the audio would not stay as it was</source>
        <translation>der Ton bliebe nicht, wie er war</translation>
    </message>
    <message>
        <source>Picture too large: a file of more than %1 MB</source>
        <translation>Bild zu groß: eine Datei von mehr als %1 MB</translation>
    </message>
    <message>
        <source>Damaged picture: its WebP data cannot be decoded</source>
        <translation>Beschädigtes Bild: seine WebP-Daten lassen sich nicht dekodieren</translation>
    </message>
    <message>
        <source>more than %1 metadata blocks</source>
        <translation>mehr als %1 Metadatenblöcke</translation>
    </message>
    <message>
        <source>a metadata block runs past the end of the file</source>
        <translation>ein Metadatenblock reicht über das Dateiende hinaus</translation>
    </message>
    <message>
        <source>a metadata block of the invalid type 127</source>
        <translation>ein Metadatenblock des ungültigen Typs 127</translation>
    </message>
    <message>
        <source>the metadata is larger than %1 MB</source>
        <translation>die Metadaten sind größer als %1 MB</translation>
    </message>
    <message>
        <source>the first metadata block is not a 34-byte STREAMINFO</source>
        <translation>der erste Metadatenblock ist kein STREAMINFO von 34 Byte</translation>
    </message>
    <message>
        <source>more than one STREAMINFO block</source>
        <translation>mehr als ein STREAMINFO-Block</translation>
    </message>
    <message>
        <source>more than one comment block</source>
        <translation>mehr als ein Kommentarblock</translation>
    </message>
    <message>
        <source>no audio frame where the audio should begin</source>
        <translation>kein Audio-Frame, wo die Audiodaten beginnen sollten</translation>
    </message>
    <message>
        <source>no FLAC stream where one should begin</source>
        <translation>kein FLAC-Datenstrom, wo einer beginnen sollte</translation>
    </message>
    <message>
        <source>the new metadata does not read back as written</source>
        <translation>die neuen Metadaten lesen sich nicht so, wie sie geschrieben wurden</translation>
    </message>
    <message>
        <source>a metadata block would be larger than FLAC allows (16 MB)</source>
        <translation>ein Metadatenblock wäre größer, als FLAC erlaubt (16 MB)</translation>
    </message>
    <message>
        <source>no Ogg page at byte %1</source>
        <translation>keine Ogg-Seite bei Byte %1</translation>
    </message>
    <message>
        <source>an Ogg page of an unknown version at byte %1</source>
        <translation>eine Ogg-Seite unbekannter Version bei Byte %1</translation>
    </message>
    <message>
        <source>the Ogg page at byte %1 runs past the end of the file</source>
        <translation>die Ogg-Seite bei Byte %1 reicht über das Dateiende hinaus</translation>
    </message>
    <message>
        <source>the Ogg page at byte %1 fails its CRC check</source>
        <translation>die Ogg-Seite bei Byte %1 besteht ihre CRC-Prüfung nicht</translation>
    </message>
    <message>
        <source>a picture comment is not valid Base64</source>
        <translation>ein Bildkommentar ist kein gültiges Base64</translation>
    </message>
    <message>
        <source>the file holds more than one logical stream (multiplexed or chained)</source>
        <translation>die Datei enthält mehr als einen logischen Datenstrom (gemultiplext oder verkettet)</translation>
    </message>
    <message>
        <source>the header packets are larger than %1 MB</source>
        <translation>die Kopfpakete sind größer als %1 MB</translation>
    </message>
    <message>
        <source>audio begins on the last header page</source>
        <translation>die Audiodaten beginnen auf der letzten Kopfseite</translation>
    </message>
    <message>
        <source>the comment header&apos;s framing bit is missing</source>
        <translation>das Framing-Bit des Kommentarkopfs fehlt</translation>
    </message>
    <message>
        <source>the new comment header does not read back as written</source>
        <translation>der neue Kommentarkopf liest sich nicht so, wie er geschrieben wurde</translation>
    </message>
    <message>
        <source>a picture&apos;s fields do not add up to its length</source>
        <translation>die Felder eines Bildes ergeben nicht seine Länge</translation>
    </message>
    <message>
        <source>the ID3v2 tag in front of the stream is damaged</source>
        <translation>das ID3v2-Tag vor dem Datenstrom ist beschädigt</translation>
    </message>
    <message>
        <source>the ID3v2 tag in front of the stream is too large</source>
        <translation>das ID3v2-Tag vor dem Datenstrom ist zu groß</translation>
    </message>
    <message>
        <source>the comment list&apos;s counts and lengths do not fit its size</source>
        <translation>Anzahlen und Längen der Kommentarliste passen nicht zu ihrer Größe</translation>
    </message>
    <message>
        <source>more than %1 comments</source>
        <translation>mehr als %1 Kommentare</translation>
    </message>
    <message>
        <source>the box at byte %1 is cut off in its header</source>
        <translation>die Box bei Byte %1 ist in ihrem Kopf abgeschnitten</translation>
    </message>
    <message>
        <source>the box at byte %1 is smaller than its header</source>
        <translation>die Box bei Byte %1 ist kleiner als ihr Kopf</translation>
    </message>
    <message>
        <source>more than %1 boxes</source>
        <translation>mehr als %1 Boxen</translation>
    </message>
    <message>
        <source>the file ends in an APE or ID3v1 tag, which MP4 files do not hold</source>
        <translation>die Datei endet mit einem APE- oder ID3v1-Tag, das MP4-Dateien nicht enthalten</translation>
    </message>
    <message>
        <source>the file ends in %1 bytes that are not a box</source>
        <translation>die Datei endet mit %1 Bytes, die keine Box sind</translation>
    </message>
    <message>
        <source>the %1 box at byte %2 runs past the end of the file</source>
        <translation>die %1-Box bei Byte %2 reicht über das Dateiende hinaus</translation>
    </message>
    <message>
        <source>the file holds more than one %1 box</source>
        <translation>die Datei enthält mehr als eine %1-Box</translation>
    </message>
    <message>
        <source>the cover art holds a %1 box where only data boxes belong</source>
        <translation>das Cover enthält eine %1-Box, wo nur data-Boxen hingehören</translation>
    </message>
    <message>
        <source>a data box at byte %1 is too short</source>
        <translation>eine data-Box bei Byte %1 ist zu kurz</translation>
    </message>
    <message>
        <source>the %1 box at byte %2 does not hold as many offsets as it says</source>
        <translation>die %1-Box bei Byte %2 enthält nicht so viele Offsets, wie sie angibt</translation>
    </message>
    <message>
        <source>a chunk offset points into the moov box</source>
        <translation>ein Chunk-Offset zeigt in die moov-Box</translation>
    </message>
    <message>
        <source>a chunk offset points past the end of the file</source>
        <translation>ein Chunk-Offset zeigt hinter das Dateiende</translation>
    </message>
    <message>
        <source>%1 bytes at byte %2 are not a box</source>
        <translation>%1 Bytes bei Byte %2 sind keine Box</translation>
    </message>
    <message>
        <source>boxes are nested more than %1 deep</source>
        <translation>Boxen sind tiefer als %1 Ebenen verschachtelt</translation>
    </message>
    <message>
        <source>the box at byte %1 declares no size</source>
        <translation>die Box bei Byte %1 gibt keine Größe an</translation>
    </message>
    <message>
        <source>the %1 box at byte %2 is larger than the box that holds it</source>
        <translation>die %1-Box bei Byte %2 ist größer als die Box, die sie enthält</translation>
    </message>
    <message>
        <source>the meta box at byte %1 is too short</source>
        <translation>die meta-Box bei Byte %1 ist zu kurz</translation>
    </message>
    <message>
        <source>the file holds no moov box</source>
        <translation>die Datei enthält keine moov-Box</translation>
    </message>
    <message>
        <source>the moov box is larger than %1 MB</source>
        <translation>die moov-Box ist größer als %1 MB</translation>
    </message>
    <message>
        <source>the moov box cannot be read</source>
        <translation>die moov-Box kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>the track &quot;%1&quot; is not a number, or a number and a total (&quot;7/12&quot;), each up to 65535, as M4A files store it</source>
        <translation>die Titelnummer „%1“ ist keine Zahl und keine Zahl mit Gesamtzahl („7/12“), jeweils bis 65535, wie M4A-Dateien sie speichern</translation>
    </message>
    <message>
        <source>the %1 box would be larger than 4 GB</source>
        <translation>die %1-Box würde größer als 4 GB</translation>
    </message>
    <message>
        <source>a chunk offset would not fit in its 32 bits</source>
        <translation>ein Chunk-Offset passte nicht in seine 32 Bit</translation>
    </message>
    <message>
        <source>the new moov box does not read back as written</source>
        <translation>die neue moov-Box liest sich nicht so, wie sie geschrieben wurde</translation>
    </message>
    <message>
        <source>the moov box has more than %1 MB of data on each side</source>
        <translation>die moov-Box hat auf beiden Seiten mehr als %1 MB Daten</translation>
    </message>
    <message>
        <source>picture %1 cannot be read (a compressed, encrypted or damaged frame)</source>
        <translation>Bild %1 kann nicht gelesen werden (ein komprimierter, verschlüsselter oder beschädigter Frame)</translation>
    </message>
    <message>
        <source>picture %1 is empty</source>
        <translation>Bild %1 ist leer</translation>
    </message>
    <message>
        <source>picture %1 is stored as data of type %2, not as a picture</source>
        <translation>Bild %1 ist als Daten vom Typ %2 gespeichert, nicht als Bild</translation>
    </message>
    <message>
        <source>Mp3 Files</source>
        <translation>MP3-Dateien</translation>
    </message>
    <message>
        <source>FLAC Files</source>
        <translation>FLAC-Dateien</translation>
    </message>
    <message>
        <source>Ogg Vorbis Files</source>
        <translation>Ogg-Vorbis-Dateien</translation>
    </message>
    <message>
        <source>Opus Files</source>
        <translation>Opus-Dateien</translation>
    </message>
    <message>
        <source>M4A Files</source>
        <translation>M4A-Dateien</translation>
    </message>
    <message>
        <source>not a music file that Brisko reads (%1 or %2)</source>
        <translation>keine Musikdatei, die Brisko liest (%1 oder %2)</translation>
    </message>
    <message>
        <source>picture %1 cannot be read: %2</source>
        <translation>Bild %1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>the file is fragmented (moof, mfra or mvex boxes), and the offsets of its fragments would have to move</source>
        <translation>die Datei ist fragmentiert (moof-, mfra- oder mvex-Boxen), und die Offsets ihrer Fragmente müssten sich verschieben</translation>
    </message>
    <message>
        <source>a sidx box before the moov box indexes bytes after it, which would move</source>
        <translation>eine sidx-Box vor der moov-Box verweist auf Bytes hinter deren Anfang, die sich verschieben würden</translation>
    </message>
    <message>
        <source>the file holds an Ogg stream of a kind Brisko does not know</source>
        <translation>die Datei enthält einen Ogg-Datenstrom einer Art, die Brisko nicht kennt</translation>
    </message>
    <message>
        <source>the file holds a %1 stream, not Vorbis, Opus or FLAC</source>
        <translation>die Datei enthält einen %1-Datenstrom, nicht Vorbis, Opus oder FLAC</translation>
    </message>
    <message>
        <source>the file does not begin with a Vorbis, Opus or FLAC stream</source>
        <translation>die Datei beginnt nicht mit einem Vorbis-, Opus- oder FLAC-Datenstrom</translation>
    </message>
    <message>
        <source>the header packets are not in the order their format lays down</source>
        <translation>die Kopfpakete stehen nicht in der Reihenfolge, die ihr Format vorschreibt</translation>
    </message>
    <message>
        <source>two Ogg streams one after another</source>
        <translation>zwei Ogg-Datenströme nacheinander</translation>
    </message>
    <message>
        <source>picture %1 is a link to a picture outside the file</source>
        <translation>Bild %1 ist ein Verweis auf ein Bild außerhalb der Datei</translation>
    </message>
    <message>
        <source>unknown</source>
        <translation>unbekannt</translation>
    </message>
    <message>
        <source>the file holds %1 and %2 streams side by side</source>
        <translation>die Datei enthält %1- und %2-Datenströme nebeneinander</translation>
    </message>
    <message>
        <source>made baseline without encoding it again: the same pixels</source>
        <translation>ohne neue Kodierung zu Baseline gemacht: dieselben Pixel</translation>
    </message>
    <message>
        <source>%1 at quality %2 to stay within %3</source>
        <translation>%1 in Qualität %2, um innerhalb von %3 zu bleiben</translation>
    </message>
    <message>
        <source>the folder picture %1 cannot be read: %2</source>
        <translation>das Ordnerbild %1 kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>the folder picture %1 added as the front cover</source>
        <translation>das Ordnerbild %1 als Vorderseite hinzugefügt</translation>
    </message>
    <message>
        <source>the front cover (picture %1) moved to be picture 1</source>
        <translation>die Vorderseite (Bild %1) wurde zu Bild 1</translation>
    </message>
    <message>
        <source>the file or its picture cannot be read</source>
        <translation>die Datei oder ihr Bild kann nicht gelesen werden</translation>
    </message>
    <message>
        <source>picture 1 is not the front cover</source>
        <translation>Bild 1 ist nicht die Vorderseite</translation>
    </message>
    <message>
        <source>larger than the size</source>
        <translation>größer als die Größe</translation>
    </message>
    <message>
        <source>progressive</source>
        <translation>progressiv</translation>
    </message>
    <message>
        <source>not a JPEG (PNG, GIF, BMP or WebP)</source>
        <translation>kein JPEG (PNG, GIF, BMP oder WebP)</translation>
    </message>
    <message>
        <source>CMYK</source>
        <translation>CMYK</translation>
    </message>
    <message>
        <source>arithmetic-coded</source>
        <translation>arithmetisch kodiert</translation>
    </message>
    <message>
        <source>over the byte limit</source>
        <translation>über der Bytegrenze</translation>
    </message>
    <message>
        <source>tag over 3 MiB</source>
        <translation>Tag über 3 MiB</translation>
    </message>
    <message>
        <source>several front covers</source>
        <translation>mehrere Vorderseiten</translation>
    </message>
    <message>
        <source>no picture while a folder picture exists</source>
        <translation>kein Bild, obwohl es ein Ordnerbild gibt</translation>
    </message>
    <message>
        <source>the picture cannot be made to fit in %1: at %2 x %3 and quality %4 it takes %5</source>
        <translation>das Bild passt nicht in %1: bei %2 x %3 und Qualität %4 braucht es %5</translation>
    </message>
    <message>
        <source>the pictures of an M4A file keep their order</source>
        <translation>die Bilder einer M4A-Datei behalten ihre Reihenfolge</translation>
    </message>
    <message>
        <source>a picture of the stream&apos;s own metadata is not moved ahead of others</source>
        <translation>ein Bild aus den eigenen Metadaten des Streams wird nicht vor andere gestellt</translation>
    </message>
</context>
<context>
    <name>FolderBrowser</name>
    <message>
        <source>Browse For Folder</source>
        <translation>Ordner suchen</translation>
    </message>
</context>
<context>
    <name>Status</name>
    <message>
        <source>Unchanged</source>
        <translation>Unverändert</translation>
    </message>
    <message>
        <source>No Picture</source>
        <translation>Kein Bild</translation>
    </message>
    <message>
        <source>Resized</source>
        <translation>Skaliert</translation>
    </message>
    <message>
        <source>Resize Failed</source>
        <translation>Skalieren fehlgeschlagen</translation>
    </message>
    <message>
        <source>Low Drive Space</source>
        <translation>Wenig Speicherplatz</translation>
    </message>
    <message>
        <source>File Missing</source>
        <translation>Datei fehlt</translation>
    </message>
    <message>
        <source>Tag Changed</source>
        <translation>Tag geändert</translation>
    </message>
    <message>
        <source>Pic | Tag Changed</source>
        <translation>Bild | Tag geändert</translation>
    </message>
    <message>
        <source>Change Pic Failed</source>
        <translation>Bildänderung fehlgeschlagen</translation>
    </message>
    <message>
        <source>Space Freed</source>
        <translation>Platz freigegeben</translation>
    </message>
    <message>
        <source>Would Resize</source>
        <translation>Würde skaliert</translation>
    </message>
    <message>
        <source>Picture Added</source>
        <translation>Bild hinzugefügt</translation>
    </message>
    <message>
        <source>Would Add Picture</source>
        <translation>Würde Bild hinzufügen</translation>
    </message>
</context>
<context>
    <name>StatusPanels</name>
    <message>
        <source>Picture On Clipboard</source>
        <translation>Bild in Zwischenablage</translation>
    </message>
</context>
<context>
    <name>Window</name>
    <message>
        <source>File Size: %1</source>
        <translation>Dateigröße: %1</translation>
    </message>
    <message>
        <source>Image Size: %1</source>
        <translation>Bildgröße: %1</translation>
    </message>
    <message>
        <source>File Size: -----</source>
        <translation>Dateigröße: -----</translation>
    </message>
    <message>
        <source>No Picture</source>
        <translation>Kein Bild</translation>
    </message>
    <message>
        <source>album art for players</source>
        <translation>Cover für Player</translation>
    </message>
    <message>
        <source>No Preview</source>
        <translation>Keine Vorschau</translation>
    </message>
    <message>
        <source>Several items are selected.</source>
        <translation>Mehrere Einträge sind ausgewählt.</translation>
    </message>
    <message>
        <source>New Picture</source>
        <translation>Neues Bild</translation>
    </message>
    <message>
        <source>Add, paste or drag in a picture. It will be resized to the current settings.</source>
        <translation>Bild suchen, einfügen oder hierher ziehen. Es wird nach den aktuellen Einstellungen skaliert.</translation>
    </message>
    <message>
        <source>This file holds no album art.</source>
        <translation>Diese Datei enthält kein Cover.</translation>
    </message>
    <message>
        <source>File Name</source>
        <translation>Dateiname</translation>
    </message>
    <message>
        <source>Original Size</source>
        <translation>Originalgröße</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>New Size</source>
        <translation>Neue Größe</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>Interpret</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>Track</source>
        <translation>Titelnr.</translation>
    </message>
    <message>
        <source>Year</source>
        <translation>Jahr</translation>
    </message>
    <message>
        <source>Genre</source>
        <translation>Genre</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Kommentar</translation>
    </message>
    <message>
        <source>Unexpected Error: %1</source>
        <translation>Unerwarteter Fehler: %1</translation>
    </message>
    <message>
        <source>no such file or folder, left out: %1</source>
        <translation>keine solche Datei und kein solcher Ordner, ausgelassen: %1</translation>
    </message>
    <message>
        <source>This file is missing.</source>
        <translation>Diese Datei fehlt.</translation>
    </message>
    <message>
        <source>not a music file or a folder, left out: %1</source>
        <translation>keine Musikdatei und kein Ordner, ausgelassen: %1</translation>
    </message>
    <message>
        <source>Usage: brisko [/SIZE[/QUALITY]] [FILE | FOLDER]...
Shrinks the album art embedded in music files so that portable players can
show it, and edits their tags, in a window.

  /SIZE[/QUALITY]  longer side of the new pictures, 100 to 1000 pixels, and the
                   JPEG quality, 50 to 100, for this run (/300/90)
  FILE             music files to add to the list, named as below
  FOLDER           folders whose music files, subfolders included, are added
  --help           this text
  --version        the version

Music files:
%1
One Brisko runs for each user: a later start hands the files it names to the
running window and brings it to the front. brisko-batch converts without a
window; brisko-batch --check tells which files players may not show well.
The Options menu puts the front cover first, gives files without art their
folder&apos;s cover.jpg, and sets the largest picture (KB) a conversion writes.
</source>
        <translation>Aufruf: brisko [/GRÖSSE[/QUALITÄT]] [DATEI | ORDNER]...
Verkleinert die in Musikdateien eingebetteten Cover, damit tragbare Player sie
anzeigen können, und bearbeitet ihre Tags, in einem Fenster.

  /GRÖSSE[/QUALITÄT]  längere Seite der neuen Bilder, 100 bis 1000 Pixel, und
                      die JPEG-Qualität, 50 bis 100, für diesen Lauf (/300/90)
  DATEI               Musikdateien für die Liste, benannt wie unten
  ORDNER              Ordner, deren Musikdateien samt Unterordnern hinzukommen
  --help              dieser Text
  --version           die Version

Musikdateien:
%1
Für jeden Benutzer läuft ein Brisko: ein späterer Start übergibt die genannten
Dateien an das laufende Fenster und holt es nach vorn. brisko-batch wandelt
ohne Fenster um; brisko-batch --check nennt die Dateien, die Player nicht gut
zeigen könnten. Das Menü Optionen stellt die Vorderseite zuerst, gibt Dateien
ohne Bild das cover.jpg ihres Ordners und legt das größte Bild (KB) fest, das
eine Umwandlung schreibt.
</translation>
    </message>
    <message>
        <source>This file cannot be read: %1.</source>
        <translation>Diese Datei kann nicht gelesen werden: %1.</translation>
    </message>
</context>
<context>
    <name>frmAbout</name>
    <message>
        <source>About %1</source>
        <translation>Über %1</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
    <message>
        <source>%1 shrinks the album art inside MP3, FLAC, Ogg Vorbis, Opus and M4A files so that portable players can show it, and edits the tags of many files at once.

Copyright %2 the %1 developers. Questions or comments contact</source>
        <translation>%1 verkleinert die Cover in MP3-, FLAC-, Ogg-Vorbis-, Opus- und M4A-Dateien, damit tragbare Player sie anzeigen können, und bearbeitet die Tags vieler Dateien auf einmal.

Copyright %2 die Entwickler von %1. Fragen und Anregungen an</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Unable to find your e-mail application.</source>
        <translation>Ihr E-Mail-Programm wurde nicht gefunden.</translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <source>Track list</source>
        <translation>Titelliste</translation>
    </message>
    <message>
        <source>One row for each music file added: its name, picture sizes, status and tags</source>
        <translation>Eine Zeile je hinzugefügter Musikdatei: Name, Bildgrößen, Status und Tags</translation>
    </message>
    <message>
        <source>Album art</source>
        <translation>Cover</translation>
    </message>
    <message>
        <source>The picture of the file chosen in the track list, with its sizes below</source>
        <translation>Das Bild der in der Titelliste gewählten Datei, darunter seine Größen</translation>
    </message>
    <message>
        <source>Image Size W x H</source>
        <translation>Bildgröße B x H</translation>
    </message>
    <message>
        <source>File Size: -------</source>
        <translation>Dateigröße: -------</translation>
    </message>
    <message>
        <source>Add Files</source>
        <translation>Dateien hinzufügen</translation>
    </message>
    <message>
        <source>Add Folder</source>
        <translation>Ordner hinzufügen</translation>
    </message>
    <message>
        <source>Resize All</source>
        <translation>Alle skalieren</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stopp</translation>
    </message>
    <message>
        <source>PNG</source>
        <translation>PNG</translation>
    </message>
    <message>
        <source>The file keeps its album art as PNG</source>
        <translation>Die Datei enthält ihr Cover als PNG</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Add Files</source>
        <translation>&amp;Dateien hinzufügen</translation>
    </message>
    <message>
        <source>Add F&amp;older</source>
        <translation>&amp;Ordner hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Resize All</source>
        <translation>Alle &amp;skalieren</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>S&amp;topp</translation>
    </message>
    <message>
        <source>&amp;Clear Clipboard</source>
        <translation>&amp;Zwischenablage leeren</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>&amp;Optionen</translation>
    </message>
    <message>
        <source>&amp;Reset To Default View</source>
        <translation>&amp;Standardansicht wiederherstellen</translation>
    </message>
    <message>
        <source>&amp;Skip If Original Smaller Than Resize</source>
        <translation>Ü&amp;berspringen, wenn Original kleiner als Zielgröße</translation>
    </message>
    <message>
        <source>Resize &amp;Every Picture</source>
        <translation>&amp;Jedes Bild skalieren</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Contents</source>
        <translation>&amp;Inhalt</translation>
    </message>
    <message>
        <source>Show &amp;Tip at Startup</source>
        <translation>&amp;Tipp beim Start anzeigen</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>Ü&amp;ber Brisko</translation>
    </message>
    <message>
        <source>&amp;Resize Picture</source>
        <translation>Bild &amp;skalieren</translation>
    </message>
    <message>
        <source>&amp;Change Picture | Tag</source>
        <translation>Bild | Tag ä&amp;ndern</translation>
    </message>
    <message>
        <source>Copy Album &amp;Name</source>
        <translation>Albumnamen &amp;kopieren</translation>
    </message>
    <message>
        <source>&amp;Play Selection</source>
        <translation>Auswahl &amp;abspielen</translation>
    </message>
    <message>
        <source>Re&amp;move From List</source>
        <translation>Aus Liste &amp;entfernen</translation>
    </message>
    <message>
        <source>Select &amp;All</source>
        <translation>Alles a&amp;uswählen</translation>
    </message>
    <message>
        <source>C&amp;lear List</source>
        <translation>Liste &amp;leeren</translation>
    </message>
    <message>
        <source>Wait... Reading Folders</source>
        <translation>Bitte warten... Ordner werden gelesen</translation>
    </message>
    <message>
        <source>Reading Folders</source>
        <translation>Ordner lesen</translation>
    </message>
    <message>
        <source>Adding Files</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Wait... Adding Files</source>
        <translation>Bitte warten... Dateien werden hinzugefügt</translation>
    </message>
    <message>
        <source>Files : %1</source>
        <translation>Dateien : %1</translation>
    </message>
    <message>
        <source>1 other name (hard link) of this file keeps its old content</source>
        <translation>1 weiterer Name (harter Link) dieser Datei behält den alten Inhalt</translation>
    </message>
    <message>
        <source>%1 other names (hard links) of this file keep its old content</source>
        <translation>%1 weitere Namen (harte Links) dieser Datei behalten den alten Inhalt</translation>
    </message>
    <message>
        <source>Resizing</source>
        <translation>Skalieren</translation>
    </message>
    <message>
        <source>The file can&apos;t be opened.<byte value="xd"/>
It may have been deleted or there is no<byte value="xd"/>
application associated with this type of file.</source>
        <translation>Die Datei kann nicht geöffnet werden.<byte value="xd"/>
Sie wurde vielleicht gelöscht, oder diesem<byte value="xd"/>
Dateityp ist kein Programm zugeordnet.</translation>
    </message>
    <message>
        <source>Change Picture</source>
        <translation>Bild ändern</translation>
    </message>
    <message>
        <source>Image Size: %1</source>
        <translation>Bildgröße: %1</translation>
    </message>
    <message>
        <source>No program could be started to show the manual. It is the file
%1</source>
        <translation>Es konnte kein Programm gestartet werden, das das Handbuch anzeigt. Es ist die Datei
%1</translation>
    </message>
    <message>
        <source>Do you want to stop the current operation.</source>
        <translation>Möchten Sie den laufenden Vorgang anhalten?</translation>
    </message>
    <message>
        <source>Do you want to save the custom resize and quality values as the new default settings.</source>
        <translation>Möchten Sie die eigenen Werte für Größe und Qualität als neue Standardeinstellungen speichern?</translation>
    </message>
    <message>
        <source>not enough free space for a second copy of the file and 256,000 bytes more</source>
        <translation>nicht genug freier Speicher für eine zweite Kopie der Datei und 256.000 Bytes mehr</translation>
    </message>
    <message>
        <source>the file is no longer there</source>
        <translation>die Datei ist nicht mehr vorhanden</translation>
    </message>
    <message>
        <source>the volume %1 is not available</source>
        <translation>das Laufwerk %1 ist nicht verfügbar</translation>
    </message>
    <message>
        <source>Resized %1, failed %2, skipped %3</source>
        <translation>Skaliert %1, fehlgeschlagen %2, übersprungen %3</translation>
    </message>
    <message>
        <source>Changed %1, failed %2, skipped %3</source>
        <translation>Geändert %1, fehlgeschlagen %2, übersprungen %3</translation>
    </message>
    <message>
        <source>&amp;Picture Size and Quality…</source>
        <translation>Bildgröße und &amp;Qualität…</translation>
    </message>
    <message>
        <source>Music Files</source>
        <translation>Musikdateien</translation>
    </message>
    <message>
        <source>Music File(s) To Resize Album Art</source>
        <translation>Musikdatei(en) zum Skalieren der Cover</translation>
    </message>
    <message>
        <source>Select a folder containing music files. Contents of subfolders will be included.</source>
        <translation>Wählen Sie einen Ordner mit Musikdateien. Der Inhalt von Unterordnern wird einbezogen.</translation>
    </message>
    <message>
        <source>No music files were found in the folder.</source>
        <translation>Im Ordner wurden keine Musikdateien gefunden.</translation>
    </message>
    <message>
        <source>&amp;Front Cover First</source>
        <translation>&amp;Vorderseite zuerst</translation>
    </message>
    <message>
        <source>&amp;Use Folder Picture</source>
        <translation>&amp;Ordnerbild verwenden</translation>
    </message>
</context>
<context>
    <name>frmPicMod</name>
    <message>
        <source>Change Picture | Tag</source>
        <translation>Bild | Tag ändern</translation>
    </message>
    <message>
        <source>Original Picture</source>
        <translation>Originalbild</translation>
    </message>
    <message>
        <source>Replacement Picture</source>
        <translation>Ersatzbild</translation>
    </message>
    <message>
        <source>The picture the chosen files have now</source>
        <translation>Das Bild, das die gewählten Dateien jetzt haben</translation>
    </message>
    <message>
        <source>The picture that will replace it: find one, drag one in, or paste one from its menu</source>
        <translation>Das Bild, das es ersetzen wird: suchen Sie eines, ziehen Sie eines hierher oder fügen Sie eines über sein Menü ein</translation>
    </message>
    <message>
        <source>Find Picture</source>
        <translation>Bild suchen</translation>
    </message>
    <message>
        <source>Keep picture on clipboard</source>
        <translation>Bild in Zwischenablage behalten</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>Interpret</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>Track</source>
        <translation>Titelnr.</translation>
    </message>
    <message>
        <source>Year</source>
        <translation>Jahr</translation>
    </message>
    <message>
        <source>Genre</source>
        <translation>Genre</translation>
    </message>
    <message>
        <source>Comment</source>
        <translation>Kommentar</translation>
    </message>
    <message>
        <source>Comment text</source>
        <translation>Kommentartext</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>&amp;Einfügen</translation>
    </message>
    <message>
        <source>C&amp;lear Picture</source>
        <translation>Bild &amp;löschen</translation>
    </message>
    <message>
        <source>&lt;Blank&gt;</source>
        <translation>&lt;Leer&gt;</translation>
    </message>
    <message>
        <source>&lt;Keep&gt;</source>
        <translation>&lt;Beibehalten&gt;</translation>
    </message>
    <message>
        <source>&lt;New&gt;</source>
        <translation>&lt;Neu&gt;</translation>
    </message>
    <message>
        <source>&lt; Comment Will Not Be Changed &gt;</source>
        <translation>&lt; Kommentar bleibt unverändert &gt;</translation>
    </message>
    <message>
        <source>Replacement Art</source>
        <translation>Ersatzbild</translation>
    </message>
    <message>
        <source>Invalid Picture Format</source>
        <translation>Ungültiges Bildformat</translation>
    </message>
    <message>
        <source>Invalid Picture
%1</source>
        <translation>Ungültiges Bild
%1</translation>
    </message>
    <message>
        <source>Invalid Picture Format
%1</source>
        <translation>Ungültiges Bildformat
%1</translation>
    </message>
    <message>
        <source>Picture Files (*.bmp *.gif *.jpg *.jpeg *.png *.webp)|*.bmp;*.gif;*.jpg;*.jpeg;*.png;*.webp</source>
        <translation>Bilddateien (*.bmp *.gif *.jpg *.jpeg *.png *.webp)|*.bmp;*.gif;*.jpg;*.jpeg;*.png;*.webp</translation>
    </message>
    <message>
        <source>and %1 more</source>
        <translation>und %1 weitere</translation>
    </message>
    <message>
        <source>%1. These files cannot store it:

%2</source>
        <translation>%1. Diese Dateien können sie nicht speichern:

%2</translation>
    </message>
</context>
<context>
    <name>frmResizeSettings</name>
    <message>
        <source>Picture Size and Quality</source>
        <translation>Bildgröße und Qualität</translation>
    </message>
    <message>
        <source>Picture &amp;size (%1–%2 pixels):</source>
        <translation>Bild&amp;größe (%1–%2 Pixel):</translation>
    </message>
    <message>
        <source>JPEG &amp;quality (%1–%2):</source>
        <translation>JPEG-&amp;Qualität (%1–%2):</translation>
    </message>
    <message>
        <source>The picture size must be %1 to %2 pixels.</source>
        <translation>Die Bildgröße muss zwischen %1 und %2 Pixeln liegen.</translation>
    </message>
    <message>
        <source>The JPEG quality must be %1 to %2.</source>
        <translation>Die JPEG-Qualität muss zwischen %1 und %2 liegen.</translation>
    </message>
    <message>
        <source>&amp;Largest picture (KB), 0 for none:</source>
        <translation>&amp;Größtes Bild (KB), 0 für keine Grenze:</translation>
    </message>
    <message>
        <source>The largest picture must be %1 to %2 KB.</source>
        <translation>Das größte Bild muss %1 bis %2 KB groß sein.</translation>
    </message>
</context>
<context>
    <name>frmTip</name>
    <message>
        <source>Did you know...</source>
        <translation>Schon gewusst?</translation>
    </message>
    <message>
        <source>More features can be found by right clicking on the list panel once files have been added.             For more details view the help file by pressing F1</source>
        <translation>Weitere Funktionen erreichen Sie mit einem Rechtsklick auf die Liste, sobald Dateien hinzugefügt sind.             Mehr dazu steht in der Hilfe, die Sie mit F1 öffnen</translation>
    </message>
    <message>
        <source>Don&apos;t Show This Again</source>
        <translation>Nicht wieder anzeigen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
</TS>
