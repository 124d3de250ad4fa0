ciao
grazie
formaggio
biblioteca
finestra
